#pragma once

#include <QString>

// gettext lookups. Catalogs are looked for beside the executable as
// locale/<lang>/LC_MESSAGES/<domain>.mo; none ships, so texts show as written.
namespace Catalog {

// Binds `domain` to the catalog folder beside the executable (idempotent).
void BindDomain(const char* domain);

// Looks `msgid` up in `domain` and returns it as UTF-8 text.
QString Text(const char* domain, const char* msgid);

// The toolkit's own texts (box titles, button captions) live in the domain "default".
inline QString Tk(const char* msgid) { return Text("default", msgid); }

} // namespace Catalog
