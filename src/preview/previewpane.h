#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>

class CLessonRequestFilter;
class CPreviewPage;
class CPreviewState;
class QListWidget;
class QSplitter;
class QWebEngineProfile;
class QWebEngineView;

// The live preview: the learner's program rendered by the web engine above a list of its
// console messages. It renders half a second after the last change it is told of, and only
// while it is shown. A page whose scripts stop answering is stopped and replaced.
class CPreviewPane final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPreviewPane)

public:
    // How long the program may keep its page from answering before it is stopped.
    static constexpr int kHangMilliseconds = 4000;
    // The engine takes a page from memory up to 2 MB of address; the rest of a longer program
    // is left out.
    static constexpr qsizetype kMaxProgramBytes = 1500000;

    CPreviewPane(CPreviewState *state, QWidget *parent = nullptr);
    ~CPreviewPane() override;

    // Where the program comes from: its text, and the folder whose files it may use (empty for
    // none). Called at each render.
    void SetSource(std::function<QString()> text, std::function<QString()> folder);
    // The text changed: render once it has been still for half a second.
    void ScheduleUpdate();
    // Renders now if shown, otherwise when next shown.
    void UpdateNow();

    void SetZoomFactor(qreal factor);
    // Made when the pane is first shown.
    QWebEngineView *View() const { return m_view; }
    QListWidget *MessageList() const { return m_list; }
    // The address the program is rendered at: the folder's index.html, as Run writes it.
    static QUrl BaseUrl(const QString &folder);

signals:
    // The learner chose a message of this editor line.
    void lineActivated(int line);
    // A render has been handed to the engine.
    void rendered();
    // The page stopped answering and was replaced.
    void pageStopped();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void ensureView();
    void createPage();
    void replacePage();
    void onConsoleMessage(int level, const QString &message, int line, const QString &sourceId);
    void checkAlive();
    void showMessages();

    CPreviewState *m_state;
    CLessonRequestFilter *m_interceptor = nullptr;
    QWebEngineProfile *m_profile = nullptr;
    CPreviewPage *m_page = nullptr;
    QWebEngineView *m_view = nullptr;
    QListWidget *m_list = nullptr;
    QSplitter *m_splitter = nullptr;
    std::function<QString()> m_text;
    std::function<QString()> m_folder;
    QTimer m_delay;
    QTimer m_heartbeat;
    QElapsedTimer m_sinceAnswer;
    QString m_baseAddress;
    QString m_rendered; // the text last handed to the engine
    bool m_dirty = true;
    quint64 m_generation = 0;
    qreal m_zoom = 1.0;
};
