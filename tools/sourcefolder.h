#pragma once

// A lesson source folder: the learner's whole program after every step and a page text per
// step; the tool computes the rest (kinds, lines, counts, snippets and the tutorial pages).
//
//   lesson.json      {"title": "<shown on every page>", "folder": "<the lesson folder's name>",
//                     "replace": {"7": "10-13"}}   (optional: step 7 replaces lines 10-13 whole)
//   steps/01.html    the program after step 1, steps/02.html after step 2, ... (UTF-8)
//   pages/01.md      "# <page title>", a blank line, then the page text in Markdown
//   pages/01.html    ... or the text in HTML
//   pages/end.md     optional closing page shown after the last step
//   template.html    the page frame: {{lesson}} {{step}} {{title}} {{body}} {{task}} {{links}}
//   style.css        copied next to the pages

#include "lessonsource.h"
#include "lessonstep.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

class CSourceFolder
{
public:
    struct Page
    {
        QString file; // relative to the folder, for messages
        QString title;
        QString bodyHtml;
    };
    struct Step
    {
        QString file;    // steps/NN.ext
        QString program; // LF line ends
        StepChange change;
        std::optional<Page> page;
    };

    // Whether `path` is a folder with a lesson.json (as opposed to a file).
    static bool IsSourceFolder(const QString &path);

    // Reads and computes everything; every problem found goes to Faults(). Returns false when
    // nothing sensible can be built.
    bool Read(const QString &dir);

    // The lesson's pages with programs, as pack and check take them. Only after a clean Read.
    CLessonSource ToSource() const;
    // The tutorial pages index0.html, index1.html, ... in order.
    std::vector<QByteArray> RenderPages() const;

    // Every file the build reads, for rebuilding on change.
    QStringList InputFiles() const { return m_inputs; }
    // "ステップ 3 / 6" as the learner sees it for 0-based step `index`.
    QString StepLabel(int index) const;

    const QStringList &Faults() const { return m_faults; }

    QString m_dir;
    QString m_title;
    QString m_folder;
    std::string m_folderBytes;
    QString m_template;
    QByteArray m_style;
    std::vector<Step> m_steps;
    std::optional<Page> m_closing;
    std::map<int, std::pair<int, int>> m_widen; // step number -> lines to replace whole

private:
    void fault(const QString &line) { m_faults.append(line); }
    bool readSettings();
    void readSteps();
    void readPages();
    std::optional<Page> readPage(const QString &name);
    bool readText(const QString &relative, QString &text);
    void checkProgram(const Step &step, int index);

    QStringList m_faults;
    QStringList m_inputs;
};

// Where a text has its first character that code page 932 lacks: "line L, column C: U+2014 (—)
// has no code page 932 form; the nearest is ― (U+2015)". Empty when the whole text converts.
QString Cp932Problem(const QString &text);
