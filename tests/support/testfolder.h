#pragma once
// A temporary program folder laid out like the real one, with a copy of the sample data.

#include "shell/context.h"
#include "shell/prompt.h"
#include "support/scriptedprompt.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace qrn::test {

class TestFolder {
public:
    // withSample: copy the generated sample databases (and map files when present).
    explicit TestFolder(bool withSample = true);
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString file(const QString &relative) const { return path() + relative; }
    void write(const QString &relative, const QByteArray &content) const;
    QByteArray read(const QString &relative) const;

    // A context on this folder with a scripted prompt, the comma as decimal mark.
    std::unique_ptr<AppContext> context();
    ScriptedPrompt prompt;

private:
    QTemporaryDir m_dir;
};

// Copies a folder tree.
void copyTree(const QString &from, const QString &to);
QString sampleDir();

} // namespace qrn::test
