// The editor's syntax colours: each language's rules on a table of snippets, the borders between
// the languages of one page, and the editor that keeps its text, undo and copy with colours on.
// The step text for screen readers is checked on its own table.

#include "bolto.h"
#include "framefixture.h"
#include "highlighter.h"
#include "learnercommands.h"
#include "mainframe.h"
#include "programmingview.h"
#include "resource.h"
#include "stepdescription.h"
#include "texts.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {
// The colour the highlighter gave the character at `position`, or an invalid colour.
QColor colorAt(QTextDocument *document, int position)
{
    const QTextBlock block = document->findBlock(position);
    const int offset = position - block.position();
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        if (range.start <= offset && offset < range.start + range.length)
            return range.format.foreground().color();
    }
    return {};
}
} // namespace

class TestHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void badRulesKeepTheOldOnes();
    void rulesArriveWithTheFirstText();
    void editorKeepsItsBehaviour();
    void stepDescription_data();
    void stepDescription();
};

void TestHighlighter::rules_data()
{
    QTest::addColumn<QString>("program");
    // The token's text, and which of its occurrences (from the start of the program) is meant.
    QTest::addColumn<QString>("token");
    QTest::addColumn<int>("occurrence");
    // "" for the editor's own white.
    QTest::addColumn<QString>("color");

    const QString page = QStringLiteral("<!DOCTYPE html>\n<p class=\"big\">vec3 &amp; 12</p>\n");
    QTest::newRow("html doctype") << page << "DOCTYPE" << 0 << "#9a9aff";
    QTest::newRow("html tag") << page << "<p" << 0 << "#6cb6ff";
    QTest::newRow("html attribute") << page << "class" << 0 << "#ffd866";
    QTest::newRow("html string") << page << "\"big\"" << 0 << "#f0a070";
    QTest::newRow("html entity") << page << "&amp;" << 0 << "#e0c080";
    QTest::newRow("html text") << page << "vec3" << 0 << "";
    QTest::newRow("html number is text") << page << "12" << 0 << "";
    const QString comment = QStringLiteral("<!-- one\n<p> two -->\n<p>three");
    QTest::newRow("html comment over lines") << comment << "two" << 0 << "#8fbc8f";
    QTest::newRow("html tag in comment") << comment << "<p" << 0 << "#8fbc8f";
    QTest::newRow("html after comment") << comment << "<p" << 1 << "#6cb6ff";

    const QString style =
        QStringLiteral("<style>\nbody { color: #ffcc00; margin: 10px; } /* note\nstill */\n"
                       "</style>\n<p>color: red</p>");
    QTest::newRow("css property") << style << "color" << 0 << "#9cdcfe";
    QTest::newRow("css colour") << style << "#ffcc00" << 0 << "#b5e8a8";
    QTest::newRow("css length") << style << "10px" << 0 << "#b5e8a8";
    QTest::newRow("css comment over lines") << style << "still" << 0 << "#8fbc8f";
    QTest::newRow("css closing tag") << style << "</style" << 0 << "#6cb6ff";
    QTest::newRow("css ends with style") << style << "color" << 1 << "";

    const QString script =
        QStringLiteral("<script>\nvar gl = canvas.getContext(\"webgl\"); // note\n"
                       "if (x === 0.5) { return null; }\nvar s = '</script>'; vec3\n<p>after");
    QTest::newRow("js keyword") << script << "var" << 0 << "#6cb6ff";
    QTest::newRow("js string") << script << "\"webgl\"" << 0 << "#f0a070";
    QTest::newRow("js line comment") << script << "note" << 0 << "#8fbc8f";
    QTest::newRow("js number") << script << "0.5" << 0 << "#b5e8a8";
    QTest::newRow("js literal") << script << "null" << 0 << "#e08fe0";
    QTest::newRow("js identifier") << script << "canvas" << 0 << "";
    QTest::newRow("js ends at closing tag in a string") << script << "</script" << 0 << "#6cb6ff";
    QTest::newRow("js after its end is html") << script << "vec3" << 0 << "";
    // A line too long to colour at every key (minified code) stays white, but where its script
    // ends is still followed.
    const QString minified = QStringLiteral("<script>\n") + QStringLiteral("var a = 1; ").repeated(1000) +
                             QStringLiteral("</script><p>x</p>\n<p>after\n<script>\nnull");
    QTest::newRow("long line uncoloured") << minified << "var" << 0 << "";
    QTest::newRow("long line's html tag uncoloured") << minified << "<p" << 0 << "";
    QTest::newRow("after a long line's script") << minified << "<p" << 1 << "#6cb6ff";
    QTest::newRow("script after a long line") << minified << "null" << 0 << "#e08fe0";
    // A lone surrogate (broken UTF-16): the line stays white, and is never searched unchecked.
    const QString broken = QStringLiteral("<script>\nvar s = \"") + QChar(0xD800) +
                           QStringLiteral("\"; return null;\n</script>");
    QTest::newRow("js line with broken utf-16") << broken << "null" << 0 << "";

    const QString shader =
        QStringLiteral("<script id=\"vs\" type=\"x-shader/x-vertex\">\n"
                       "precision mediump float;\nattribute vec3 position; // in\n"
                       "void main() { gl_Position = vec4(position, 1.0); }\n</script>\n"
                       "<script>\nvar vec4 = 1;\n</script>");
    QTest::newRow("glsl attribute of the tag") << shader << "type" << 0 << "#ffd866";
    QTest::newRow("glsl qualifier") << shader << "attribute" << 0 << "#6cb6ff";
    QTest::newRow("glsl precision") << shader << "mediump" << 0 << "#6cb6ff";
    QTest::newRow("glsl type") << shader << "vec3" << 0 << "#4ec9b0";
    QTest::newRow("glsl builtin") << shader << "gl_Position" << 0 << "#e6e69a";
    QTest::newRow("glsl number") << shader << "1.0" << 0 << "#b5e8a8";
    QTest::newRow("glsl comment") << shader << "// in" << 0 << "#8fbc8f";
    QTest::newRow("glsl words are no js") << shader << "vec4" << 1 << "";
}

void TestHighlighter::rules()
{
    QFETCH(QString, program);
    QFETCH(QString, token);
    QFETCH(int, occurrence);
    QFETCH(QString, color);

    QTextDocument document(program);
    CSyntaxHighlighter highlighter;
    highlighter.setDocument(&document);
    highlighter.rehighlight();
    qsizetype at = -1;
    for (int i = 0; i <= occurrence; ++i) {
        at = program.indexOf(token, at + 1);
        QVERIFY2(at >= 0, qPrintable(token));
    }
    // Every character of the token has the colour.
    for (qsizetype i = at; i < at + token.size(); ++i) {
        const QColor found = colorAt(&document, int(i));
        QCOMPARE(found.isValid() ? found.name() : QString(), color);
    }
}

void TestHighlighter::badRulesKeepTheOldOnes()
{
    QTextDocument document(QStringLiteral("<script>var x;</script>"));
    CSyntaxHighlighter highlighter;
    highlighter.setDocument(&document);
    highlighter.rehighlight();
    const QColor before = colorAt(&document, 8);
    QVERIFY(before.isValid());
    QString error;
    QVERIFY(!highlighter.LoadRules("{", &error));
    QVERIFY(!error.isEmpty());
    const QByteArray badPattern = "{\"javascript\": {\"rules\": [{\"pattern\": \"(\"}]}}";
    QVERIFY(!highlighter.LoadRules(badPattern, &error));
    const QByteArray halfBlock = "{\"css\": {\"block\": {\"start\": \"/*\"}}}";
    QVERIFY(!highlighter.LoadRules(halfBlock, &error));
    highlighter.rehighlight();
    QCOMPARE(colorAt(&document, 8), before);
}

void TestHighlighter::rulesArriveWithTheFirstText()
{
    // Attached to an empty document, as the editor is at start-up, it reads its rules only with
    // the first text, and colours that text.
    QTextDocument document;
    CSyntaxHighlighter highlighter;
    highlighter.setDocument(&document);
    highlighter.rehighlight();
    document.setPlainText(QStringLiteral("\n<script>var x;</script>"));
    highlighter.rehighlight();
    QVERIFY(colorAt(&document, 9).isValid());
}

void TestHighlighter::editorKeepsItsBehaviour()
{
    QSettings(qs(Str::SettingsOrganization), qs(Str::AppName)).clear();
    CMainFrame frame;
    QVERIFY(ShowMainFrame(&frame));
    CProgrammingView *editor = frame.m_editorView;
    CLearnerCommands *commands = frame.m_learnerCommands;
    QAction *toggle = commands->Action(ID_VIEW_SYNTAX_COLORS);
    QVERIFY(toggle->isChecked());
    const QString text = QStringLiteral("<script>\r\nvar a = 1;\r\n</script>");
    editor->SetWindowText(text);
    QTRY_VERIFY(colorAt(editor->document(), 10).isValid());

    // Colours are no edits: no change, nothing to undo, the same text.
    QSignalSpy changes(editor, &CEditView::EnChange);
    toggle->trigger();
    QVERIFY(!toggle->isChecked());
    QVERIFY(!colorAt(editor->document(), 10).isValid());
    toggle->trigger();
    QTRY_VERIFY(colorAt(editor->document(), 10).isValid());
    QCOMPARE(changes.count(), 0);
    QVERIFY(!editor->document()->isUndoAvailable());
    QCOMPARE(editor->GetWindowText(), text);

    // Copy gives the text and no colours.
    editor->SetSel(0, editor->GetWindowTextLength());
    editor->copy();
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    QVERIFY(copied);
    QCOMPARE(copied->text().remove(QLatin1Char('\r')), QString(text).remove(QLatin1Char('\r')));
    QVERIFY(!copied->html().contains(QStringLiteral("6cb6ff"), Qt::CaseInsensitive));

    // The choice is remembered.
    toggle->trigger();
    QCOMPARE(QSettings(qs(Str::SettingsOrganization), qs(Str::AppName))
                 .value("Learner/SyntaxColors")
                 .toBool(),
             false);
    QSettings(qs(Str::SettingsOrganization), qs(Str::AppName)).clear();
}

void TestHighlighter::stepDescription_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");

    QTest::newRow("replace") << 2 << int(Replace) << 10 << 4 << "ステップ 3: 10〜13行目を置き換え";
    QTest::newRow("replace one") << 0 << int(Replace) << 5 << 1 << "ステップ 1: 5行目を置き換え";
    QTest::newRow("delete") << 4 << int(Delete) << 7 << 2 << "ステップ 5: 7〜8行目を削除";
    QTest::newRow("add") << 1 << int(Add) << 9 << 6 << "ステップ 2: 9行目に追加";
    QTest::newRow("no count") << 1 << int(Replace) << 3 << 0 << "ステップ 2: 3行目を置き換え";
    QTest::newRow("unknown kind") << 1 << 9 << 3 << 0 << "ステップ 2: 3行目に追加";
    QTest::newRow("huge") << INT_MAX << int(Delete) << INT_MAX << INT_MAX
                          << "ステップ 2147483648: 2147483647〜4294967293行目を削除";
}

void TestHighlighter::stepDescription()
{
    QFETCH(int, page);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(StepDescription(page, kind, line, count)), text);
}

QTEST_MAIN(TestHighlighter)
#include "tst_highlighter.moc"
