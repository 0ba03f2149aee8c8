#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a reader or the reduction says, kept as an English form and its arguments. The
// command line prints the English; a window looks the form up in the message catalog of
// kFormatsTextDomain (the form is the key) and puts the arguments into the translation.
// In a form, %1 to %9 stand for the arguments. An argument is text shown as it is (an id, a
// number) or a message of its own, translated in turn.
class TMessage {
public:
    TMessage() = default;

    // Text shown as it is, in every language.
    static TMessage Verbatim(std::string text);
    // `form` with `args`; see Say().
    TMessage(const char* form, std::vector<TMessage> args) : m_form(form), m_args(std::move(args)) {}

    // The form, or nullptr for verbatim text.
    const char* Form() const { return m_form; }
    bool Empty() const { return !m_form && m_text.empty(); }

    // A translation of a form; it returns nullptr to keep the form.
    using Translate = const char* (*)(const char* form);
    // The message with its arguments in place, every form passed through `translate`.
    std::string Render(Translate translate = nullptr) const;

    // Applies `f` to every verbatim text (ids and codes come as the file's bytes).
    template <class F> void ForEachVerbatim(F&& f) {
        if (!m_form)
            f(m_text);
        for (TMessage& a : m_args)
            a.ForEachVerbatim(f);
    }

private:
    void renderTo(std::string& out, Translate translate) const;

    const char* m_form = nullptr;
    std::string m_text;
    std::vector<TMessage> m_args;
};

inline constexpr const char* kFormatsTextDomain = "formats";

// A message about one line of the data; Line 0 speaks of the whole file.
struct TLineMessage {
    TLineMessage() = default;
    TLineMessage(int line, TMessage message) : Line(line), Message(std::move(message)), Text(Message.Render()) {}

    // Passes the verbatim texts through `f` (the file's bytes to UTF-8), the English after them.
    template <class F> void DecodeTexts(F&& f) {
        Message.ForEachVerbatim(f);
        Text = Message.Render();
    }

    int Line = 0;
    TMessage Message;
    std::string Text; // in English
};

namespace MessageDetail {
inline TMessage Arg(TMessage m) { return m; }
inline TMessage Arg(std::string_view text) { return TMessage::Verbatim(std::string(text)); }
inline TMessage Arg(const std::string& text) { return TMessage::Verbatim(text); }
inline TMessage Arg(const char* text) { return TMessage::Verbatim(text); }
inline TMessage Arg(std::integral auto n) { return TMessage::Verbatim(std::to_string(n)); }
} // namespace MessageDetail

// The message `form` (a string literal: it is the catalog's key) with its arguments: texts and
// whole numbers shown as they are, or messages made by Say().
template <class... A> TMessage Say(const char* form, A&&... args) {
    return TMessage(form, {MessageDetail::Arg(std::forward<A>(args))...});
}
