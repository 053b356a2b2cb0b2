#pragma once

#include "htmlview.h"

#include <QPointer>

#include <functional>
#include <string>

class CLessonProgress;
class CProgrammingView;
class QPoint;

// The tutorial pane: shows the lesson's pages, learns the current page from every navigation and
// copies the page's snippet when the learner clicks.
class CHTML5View : public CHtmlView
{
    Q_OBJECT

public:
    explicit CHTML5View(QWidget *parent = nullptr);

    // The lesson's first page, or the program directory's index.html without a lesson folder.
    void NavigateToStartPage();
    void OnInitialUpdate() override;
    void OnBeforeNavigate2(const QString &url) override;
    bool PreTranslateMessage(QEvent *event) override;
    // A followed link to a lesson file opens that lesson instead of showing the file.
    bool OnFollowLink(const QUrl &url, bool byLearner) override;

    // Puts the current page's snippet on the clipboard, with the sound and the status text.
    // False when copying is switched off, there is no snippet or the clipboard cannot be used.
    bool CopySnippet();
    // Command 32800: one copy whether or not click-copying is switched off.
    void OnCopyScript(unsigned id);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    // Takes finished steps from the learner's progress, tells it the page shown and shows the
    // page it asks for.
    void SetProgress(CLessonProgress *progress);
    // The editor beside the pane: a page shown selects its lines there and starts its step.
    void SetEditor(CProgrammingView *editor);
    // Page `page` of the lesson folder.
    void NavigateToPage(int page);

    // The page number in a title that starts with `key`, or -1.
    static int ParsePageNumber(const std::string &title, const std::string &key);

    // Set by the editor once the page's step is done: clicks then reach the page.
    bool m_copyDisabled = false;
    // The learner's progress in the lesson at a path, as the start page shows it; unset or empty
    // text shows none.
    std::function<QString(const QString &lessonPath)> m_lessonProgress;

signals:
    // A link asked for this lesson file; the window opens it as any other lesson.
    void OpenLessonRequested(const QString &path);

private:
    // The start page lists the lessons next to the program once it has loaded.
    void setupStartPage();
    void fillStartPage();
    // The copy message, with a hint to finish the step once the page was copied before.
    QString copiedText(bool stepOpen) const;
    int m_copiesOnPage = 0;

    bool OnLeftButtonDown();
    void OnContextMenu(const QPoint &globalPos);
    bool isStepDone(int page) const;

    QPointer<CLessonProgress> m_progress;
    QPointer<CProgrammingView> m_editor;
};
