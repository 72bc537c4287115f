#pragma once
// Answers the program's questions and file dialogs from a script, and
// records everything it was shown.
#include "common/widgets/windowdialogs.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

struct ScriptedDialogs : marbolt::WindowDialogs {
    enum class Kind { Message, Information, Error, Confirmation, Font, Open, Save, PrinterSetup, Folder, Programs, SendCheck, Text, Recovery };
    struct Shown {
        Kind kind;
        QString text;                  // box text, or the dialog's prefill
        marbolt::FileRequest request;  // file dialogs only
    };

    std::deque<marbolt::Answer> answers;
    // Runs as each box or dialog is shown, before it is answered.
    std::function<void(const Shown &)> onShown;
    std::deque<std::optional<marbolt::FileChoice>> files;
    QList<Shown> shown;

    void message(const QString &text) override { record({Kind::Message, text, {}}); }
    void error(const QString &text) override { record({Kind::Error, text, {}}); }
    void confirmation(const QString &text) override { record({Kind::Confirmation, text, {}}); }
    // Font answers; an empty queue cancels.
    std::deque<QFont> fonts;
    std::optional<QFont> chooseFont(const QFont &current) override
    {
        record({Kind::Font, current.family(), {}});
        if (fonts.empty())
            return std::nullopt;
        const QFont f = fonts.front();
        fonts.pop_front();
        return f;
    }
    marbolt::Answer information(const QString &text, marbolt::Buttons) override
    {
        record({Kind::Information, text, {}});
        if (answers.empty())
            return marbolt::Answer::Cancel;
        const marbolt::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<marbolt::FileChoice> openFile(const marbolt::FileRequest &r) override
    {
        return nextFile(Kind::Open, r);
    }
    std::optional<marbolt::FileChoice> saveFile(const marbolt::FileRequest &r) override
    {
        return nextFile(Kind::Save, r);
    }

    // Printer set-up: accepted unless refused; changes runs on the printer.
    bool acceptPrinterSetup = true;
    std::function<void(QPrinter &)> printerChanges;
    bool printerSetup(QPrinter &printer) override
    {
        record({Kind::PrinterSetup, QString(), {}});
        if (acceptPrinterSetup && printerChanges)
            printerChanges(printer);
        return acceptPrinterSetup;
    }
    // Folder answers; an empty queue cancels. The start folder is recorded.
    std::deque<QString> folders;
    std::optional<QString> chooseFolder(const QString &start) override
    {
        record({Kind::Folder, start, {}});
        if (folders.empty())
            return std::nullopt;
        const QString f = folders.front();
        folders.pop_front();
        return f;
    }
    // Ticked rows; an empty queue cancels. The entries offered are recorded.
    std::deque<QList<int>> programChoices;
    QList<QStringList> programsOffered;
    std::optional<QList<int>> choosePrograms(const QStringList &entries) override
    {
        record({Kind::Programs, entries.join(u'\n'), {}});
        programsOffered.append(entries);
        if (programChoices.empty())
            return std::nullopt;
        const QList<int> rows = programChoices.front();
        programChoices.pop_front();
        return rows;
    }

    // Recovery offers; an empty queue answers "後で".
    std::deque<marbolt::RecoveryChoice> recoveryChoices;
    marbolt::RecoveryChoice offerRecovery(const QString &text) override
    {
        record({Kind::Recovery, text, {}});
        if (recoveryChoices.empty())
            return marbolt::RecoveryChoice::Later;
        const marbolt::RecoveryChoice c = recoveryChoices.front();
        recoveryChoices.pop_front();
        return c;
    }

    // Typed answers; an empty queue cancels. The label is recorded.
    std::deque<QString> typed;
    std::optional<QString> askText(const QString &, const QString &label, const QString &initial) override
    {
        record({Kind::Text, label + QStringLiteral(" [") + initial + QStringLiteral("]"), {}});
        if (typed.empty())
            return std::nullopt;
        const QString t = typed.front();
        typed.pop_front();
        return t;
    }

    QList<marbolt::SendCheckReport> checkReports;
    std::deque<marbolt::SendCheckAnswer> checkAnswers;
    marbolt::SendCheckAnswer sendCheck(const marbolt::SendCheckReport &report) override
    {
        record({Kind::SendCheck, QString::number(report.total), {}});
        checkReports.append(report);
        if (checkAnswers.empty())
            return {};
        const marbolt::SendCheckAnswer a = checkAnswers.front();
        checkAnswers.pop_front();
        return a;
    }

    QStringList texts(Kind kind) const
    {
        QStringList out;
        for (const Shown &s : shown)
            if (s.kind == kind)
                out.append(s.text);
        return out;
    }

private:
    void record(const Shown &s)
    {
        shown.append(s);
        if (onShown)
            onShown(s);
    }
    std::optional<marbolt::FileChoice> nextFile(Kind kind, const marbolt::FileRequest &r)
    {
        record({kind, r.prefill, r});
        if (files.empty())
            return std::nullopt;
        if (!files.front()) {
            files.pop_front();
            return std::nullopt;
        }
        const marbolt::FileChoice f = *files.front();
        files.pop_front();
        return f;
    }
};
