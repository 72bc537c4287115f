#pragma once
// A main window over a scratch folder, its questions answered by a script,
// with helpers to load a text and place the caret.
#include "app/widgets/sdiappform.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "scripteddialogs.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

struct FormRig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<marbolt::TSDIAppForm> form;

    FormRig()
    {
        marbolt::AppEnvironment env;
        env.paths = marbolt::AppPaths::inFolder(dir.path());
        env.dialogs = &dialogs;
        form = std::make_unique<marbolt::TSDIAppForm>(std::move(env));
    }

    // Replaces the document by text (CR LF line breaks) and indexes it.
    void load(const std::string &text)
    {
        auto loader = form->editor()->beginLoad(text.size());
        loader->add(text);
        loader->commit();
        form->indexBox()->rebuild(form->editor()->textView());
    }

    std::string text() const { return std::string(form->editor()->textView()); }
    std::string selected() const { return form->editor()->selectedText().toStdString(); }

    std::size_t lineStart(int line) const
    {
        return form->editor()->lineStart(static_cast<std::size_t>(line));
    }
    void caretTo(std::size_t pos) { form->editor()->selectRange(pos, pos); }
    void caretToLine(int line, int column = 0) { caretTo(lineStart(line) + static_cast<std::size_t>(column)); }
};
