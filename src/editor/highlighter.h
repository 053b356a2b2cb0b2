#pragma once

#include <QList>
#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <array>

// Colours the learner's program: HTML, the CSS of <style>, the JavaScript of <script> and the
// GLSL of <script type="x-shader/...">. The rules are data (":/syntax/rules.json"); this class
// only knows where one language ends and the next begins. Formats live in the layout, not in the
// text, so positions, undo and the copied text stay as they are.
class CSyntaxHighlighter final : public QSyntaxHighlighter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSyntaxHighlighter)

public:
    enum Language { Html, Css, JavaScript, Glsl, LanguageCount };

    // Starts unattached; SetDocument attaches it.
    explicit CSyntaxHighlighter(QObject *parent = nullptr);

    // Reads rules from JSON; false (with the reason) leaves the current rules alone. Until rules
    // are read, the program's own are read by the first line that has text.
    bool LoadRules(const QByteArray &json, QString *error = nullptr);

protected:
    void highlightBlock(const QString &text) override;

private:
    struct Rule
    {
        QRegularExpression pattern;
        QTextCharFormat format;
    };
    struct Rules
    {
        QList<Rule> rules;
        QString blockStart;
        QString blockEnd;
        QTextCharFormat blockFormat;
    };

    // Formats [from, to) with the language's rules. Stops after the start of a block that the
    // range opens and sets `inBlock`; returns where it stopped.
    int applyRules(const QString &text, int from, int to, int language, bool &inBlock);
    bool readRules(const QByteArray &json, QString *error);

    // Whether rules were read: checking every pattern compiles it, which the program's start
    // spares while its editor is still empty.
    bool m_rulesRead = false;

    std::array<Rules, LanguageCount> m_languages;
    QRegularExpression m_openEmbedded;
    QRegularExpression m_closeEmbedded;
    QRegularExpression m_shaderType;
    QRegularExpression::MatchOptions m_matchOptions;
};
