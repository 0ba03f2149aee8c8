#include "toolkit/Catalog.h"

#include <QCoreApplication>
#include <QDir>

#include <libintl.h>

#include <set>
#include <string>

namespace Catalog {

namespace {
std::set<std::string>& boundDomains() {
    static std::set<std::string> domains;
    return domains;
}
} // namespace

void BindDomain(const char* domain) {
    if (!boundDomains().insert(domain).second)
        return;
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                               : QDir::currentPath();
    const QByteArray path = QDir(dir).filePath("locale").toLocal8Bit();
    bindtextdomain(domain, path.constData());
    // Our texts are UTF-8 whatever the user's locale says.
    bind_textdomain_codeset(domain, "UTF-8");
}

QString Text(const char* domain, const char* msgid) {
    BindDomain(domain);
    return QString::fromUtf8(dgettext(domain, msgid));
}

} // namespace Catalog
