#include "toolkit/Catalog.h"

#include <QCoreApplication>
#include <QDir>

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace Catalog {

namespace {
std::set<std::string>& boundDomains() {
    static std::set<std::string> domains;
    return domains;
}

const char* nonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

bool isPlainC(const char* locale) {
    return !locale || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0 ||
           std::strncmp(locale, "C.", 2) == 0;
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

const char* Utf8(const char* domain, const char* msgid) {
    BindDomain(domain);
    return dgettext(domain, msgid);
}

QString Text(const char* domain, const char* msgid) { return QString::fromUtf8(Utf8(domain, msgid)); }

void FollowEnvironmentLanguage() {
    if (!isPlainC(std::setlocale(LC_MESSAGES, nullptr)))
        return; // the locale asked for is installed: gettext follows it
    const char* wanted = nonEmptyEnv("LC_ALL");
    if (!wanted)
        wanted = nonEmptyEnv("LC_MESSAGES");
    if (!wanted)
        wanted = nonEmptyEnv("LANG");
    const char* language = nonEmptyEnv("LANGUAGE");
    if ((isPlainC(wanted) && !language) || !std::setlocale(LC_MESSAGES, "C.UTF-8"))
        return;
    if (!language && wanted) {
        // "ko_KR.UTF-8@x" -> "ko_KR"; gettext tries "ko" after it.
        const std::string name(wanted, std::strcspn(wanted, ".@"));
        setenv("LANGUAGE", name.c_str(), 1);
    }
}

} // namespace Catalog
