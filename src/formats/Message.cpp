#include "formats/Message.h"

TMessage TMessage::Verbatim(std::string text) {
    TMessage m;
    m.m_text = std::move(text);
    return m;
}

std::string TMessage::Render(Translate translate) const {
    std::string out;
    renderTo(out, translate);
    return out;
}

void TMessage::renderTo(std::string& out, Translate translate) const {
    if (!m_form) {
        out += m_text;
        return;
    }
    const char* translated = translate ? translate(m_form) : nullptr;
    const std::string_view form = translated ? translated : m_form;
    for (size_t i = 0; i < form.size(); ++i) {
        const char c = form[i];
        if (c == '%' && i + 1 < form.size() && form[i + 1] >= '1' && form[i + 1] <= '9') {
            const size_t arg = static_cast<size_t>(form[i + 1] - '1');
            // A translation that names an argument the message lacks shows nothing there.
            if (arg < m_args.size())
                m_args[arg].renderTo(out, translate);
            ++i;
            continue;
        }
        out += c;
    }
}
