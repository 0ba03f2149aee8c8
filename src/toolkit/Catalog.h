#pragma once

#include <QString>

// gettext lookups. Catalogs are looked for beside the executable as
// locale/<lang>/LC_MESSAGES/<domain>.mo; where none is found, texts show as written.
namespace Catalog {

// Binds `domain` to the catalog folder beside the executable (idempotent).
void BindDomain(const char* domain);

// Looks `msgid` up in `domain` and returns it as UTF-8 text.
QString Text(const char* domain, const char* msgid);
// The same as UTF-8 bytes, valid as long as the program runs.
const char* Utf8(const char* domain, const char* msgid);

// A message whose texts are looked up by their form (anything with a Render(lookup) that
// passes each form through `lookup`), in `domain`.
template <class Message> QString Render(const char* domain, const Message& message) {
    // The lookup is a plain function pointer, so the domain reaches it beside the call.
    static thread_local const char* current = nullptr;
    current = domain;
    return QString::fromStdString(message.Render([](const char* form) { return Utf8(current, form); }));
}

// The toolkit's own texts (box titles, button captions) live in the domain "default".
inline QString Tk(const char* msgid) { return Text("default", msgid); }

// gettext translates only under an installed locale. When the environment asks for a
// language (LANG=ko_KR.UTF-8) whose locale is not installed, messages are still shown in it:
// C.UTF-8 for messages, and LANGUAGE from the locale's name unless it is set. Called once,
// after the application has taken the environment's locale and before other threads run.
void FollowEnvironmentLanguage();

} // namespace Catalog
