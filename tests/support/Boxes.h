#pragma once

#include "toolkit/Dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers the message boxes of the code under test in place of the user and keeps them, from
// its making until it goes (then real boxes show again). Boxes with choices (Yes/No,
// Yes/No/Cancel) get `answer`, the others OK; `decide`, when set, answers every box instead.
class Boxes {
public:
    Boxes() {
        Dialogs::SetHook([this](const Dialogs::Box& box) {
            seen << box;
            if (decide)
                return decide(box);
            return box.buttons == Dialogs::Buttons::Ok ? Dialogs::Answer::Ok : answer;
        });
    }
    ~Boxes() { Dialogs::SetHook({}); }
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;

    QList<Dialogs::Box> seen;
    Dialogs::Answer answer = Dialogs::Answer::Yes;
    std::function<Dialogs::Answer(const Dialogs::Box&)> decide;

    QStringList texts() const {
        QStringList out;
        for (const Dialogs::Box& b : seen)
            out << b.text;
        return out;
    }
    QStringList texts(Dialogs::Icon icon) const {
        QStringList out;
        for (const Dialogs::Box& b : seen)
            if (b.icon == icon)
                out << b.text;
        return out;
    }
    // "title|text" of every box.
    QStringList titled() const {
        QStringList out;
        for (const Dialogs::Box& b : seen)
            out << b.title + "|" + b.text;
        return out;
    }
};
