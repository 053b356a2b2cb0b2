#include "highlighter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <vector>

namespace {
// Bit of the block state: the line ends inside a comment block of its language.
constexpr int kInBlock = 8;
// Longer lines (minified code, data) get no token colours: colouring one again at every key would
// cost more than a key may. Where their languages end is still followed, for the lines after.
constexpr int kLongestColouredLine = 10000;
constexpr const char *kLanguageKeys[] = {"html", "css", "javascript", "glsl"};

QTextCharFormat formatOf(const QJsonObject &rule)
{
    QTextCharFormat format;
    const QColor color = QColor::fromString(rule.value(QLatin1String("color")).toString());
    if (color.isValid())
        format.setForeground(color);
    if (rule.value(QLatin1String("bold")).toBool())
        format.setFontWeight(QFont::Bold);
    if (rule.value(QLatin1String("italic")).toBool())
        format.setFontItalic(true);
    return format;
}

// The next match at or after `from` that is not empty: an empty one would never move the scan.
QRegularExpressionMatch nextMatch(const QRegularExpression &pattern, const QString &text, int from,
                                  QRegularExpression::MatchOptions options)
{
    QRegularExpressionMatch match =
        pattern.match(text, from, QRegularExpression::NormalMatch, options);
    while (match.hasMatch() && match.capturedLength() == 0 && match.capturedStart() < text.size())
        match = pattern.match(text, match.capturedStart() + 1, QRegularExpression::NormalMatch,
                              options);
    return match;
}
} // namespace

CSyntaxHighlighter::CSyntaxHighlighter(QObject *parent)
    : QSyntaxHighlighter(parent), m_openEmbedded(QStringLiteral("<(script|style)\\b[^>]*>?"),
                                                 QRegularExpression::CaseInsensitiveOption),
      m_closeEmbedded(QStringLiteral("</(script|style)\\b"),
                      QRegularExpression::CaseInsensitiveOption),
      m_shaderType(QStringLiteral("\\btype\\s*=\\s*[\"']?x-shader/"),
                   QRegularExpression::CaseInsensitiveOption)
{
}

bool CSyntaxHighlighter::LoadRules(const QByteArray &json, QString *error)
{
    if (!readRules(json, error))
        return false;
    rehighlight();
    return true;
}

bool CSyntaxHighlighter::readRules(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!document.isObject())
        return fail(parseError.errorString());
    std::array<Rules, LanguageCount> languages;
    for (int language = 0; language < LanguageCount; ++language) {
        const QJsonObject object =
            document.object().value(QLatin1String(kLanguageKeys[language])).toObject();
        const QJsonObject block = object.value(QLatin1String("block")).toObject();
        Rules &rules = languages[size_t(language)];
        rules.blockStart = block.value(QLatin1String("start")).toString();
        rules.blockEnd = block.value(QLatin1String("end")).toString();
        rules.blockFormat = formatOf(block);
        if (rules.blockStart.isEmpty() != rules.blockEnd.isEmpty())
            return fail(QStringLiteral("%1: a block needs a start and an end")
                            .arg(QLatin1String(kLanguageKeys[language])));
        for (const QJsonValue value : object.value(QLatin1String("rules")).toArray()) {
            const QJsonObject rule = value.toObject();
            QRegularExpression pattern(rule.value(QLatin1String("pattern")).toString());
            if (rule.value(QLatin1String("caseInsensitive")).toBool())
                pattern.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
            if (!pattern.isValid() || pattern.pattern().isEmpty())
                return fail(QStringLiteral("%1: %2").arg(pattern.pattern(), pattern.errorString()));
            pattern.optimize();
            rules.rules.append({pattern, formatOf(rule)});
        }
    }
    m_languages = languages;
    m_rulesRead = true;
    return true;
}

int CSyntaxHighlighter::applyRules(const QString &text, int from, int to, int language,
                                   bool &inBlock)
{
    const Rules &rules = m_languages[size_t(language)];
    // Each rule's next match is kept until the scan passes its start, and a rule that matches
    // nowhere further is not asked again: a line costs one search per rule and token, not one per
    // character, nor a search to the line's end per token for every rule that is done.
    std::vector<QRegularExpressionMatch> next(size_t(rules.rules.size()));
    std::vector<bool> known(next.size(), false);
    int blockAt = -2;
    int pos = from;
    while (pos < to) {
        int best = -1;
        int bestStart = to;
        for (size_t i = 0; i < next.size(); ++i) {
            if (!known[i] || (next[i].hasMatch() && next[i].capturedStart() < pos)) {
                next[i] =
                    nextMatch(rules.rules.at(qsizetype(i)).pattern, text, pos, m_matchOptions);
                known[i] = true;
            }
            if (next[i].hasMatch() && next[i].capturedStart() < bestStart) {
                best = int(i);
                bestStart = int(next[i].capturedStart());
            }
        }
        if (!rules.blockStart.isEmpty() && (blockAt == -2 || (blockAt >= 0 && blockAt < pos)))
            blockAt = int(text.indexOf(rules.blockStart, pos));
        if (blockAt >= 0 && blockAt < to && blockAt <= bestStart) {
            setFormat(blockAt, int(rules.blockStart.size()), rules.blockFormat);
            inBlock = true;
            return blockAt + int(rules.blockStart.size());
        }
        if (best < 0)
            return to;
        const int end = std::min(int(next[size_t(best)].capturedEnd()), to);
        setFormat(bestStart, end - bestStart, rules.rules.at(best).format);
        pos = end;
    }
    return to;
}

void CSyntaxHighlighter::highlightBlock(const QString &text)
{
    // A line without text uses no rule; its state follows from the line before alone.
    if (!m_rulesRead && !text.isEmpty()) {
        QFile file(QStringLiteral(":/syntax/rules.json"));
        if (file.open(QIODevice::ReadOnly))
            readRules(file.readAll(), nullptr);
        // Read once, even where they did not load.
        m_rulesRead = true;
    }
    // Every search would check the whole line for broken UTF-16 first, which on a long line costs
    // more than the search: the line is checked once here.
    m_matchOptions = QStringView(text).isValidUtf16()
                         ? QRegularExpression::DontCheckSubjectStringMatchOption
                         : QRegularExpression::NoMatchOption;
    const int previous = previousBlockState();
    int language = previous < 0 ? Html : (previous & (kInBlock - 1)) % LanguageCount;
    bool inBlock = previous >= 0 && (previous & kInBlock) != 0;
    const int length = int(text.size());
    const bool tokens = length <= kLongestColouredLine;
    int pos = 0;
    while (pos < length) {
        const Rules &rules = m_languages[size_t(language)];
        if (inBlock) {
            const int end = rules.blockEnd.isEmpty() ? -1 : int(text.indexOf(rules.blockEnd, pos));
            const int stop = end < 0 ? length : end + int(rules.blockEnd.size());
            setFormat(pos, stop - pos, rules.blockFormat);
            inBlock = end < 0;
            pos = stop;
            continue;
        }
        // Where this language gives way to the next: a browser ends a script or a style at its
        // closing tag wherever it stands, even inside a string.
        int boundary = length;
        int boundaryEnd = length;
        int following = language;
        if (language == Html) {
            const QRegularExpressionMatch open =
                m_openEmbedded.match(text, pos, QRegularExpression::NormalMatch, m_matchOptions);
            if (open.hasMatch()) {
                boundary = int(open.capturedStart());
                boundaryEnd = int(open.capturedEnd());
                const bool style =
                    open.captured(1).compare(QLatin1String("style"), Qt::CaseInsensitive) == 0;
                following = style                                             ? Css
                            : m_shaderType.match(open.captured(0)).hasMatch() ? Glsl
                                                                              : JavaScript;
            }
        } else {
            const QRegularExpressionMatch close =
                m_closeEmbedded.match(text, pos, QRegularExpression::NormalMatch, m_matchOptions);
            if (close.hasMatch()) {
                boundary = boundaryEnd = int(close.capturedStart());
                following = Html;
            }
        }
        pos = tokens ? applyRules(text, pos, boundary, language, inBlock) : boundary;
        if (inBlock || pos < boundary)
            continue;
        if (boundary >= length)
            break;
        // The opening tag itself is HTML.
        if (language == Html && tokens) {
            bool tagComment = false;
            applyRules(text, boundary, boundaryEnd, Html, tagComment);
        }
        pos = boundaryEnd;
        language = following;
    }
    setCurrentBlockState(language | (inBlock ? kInBlock : 0));
}
