#include "jsontext.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace {
// Whether the character at `at` is text right after a string that closed early: `"a "b" c"`
// parses as the string "a " followed by junk, which the parser reports as a missing comma.
bool afterClosedString(const QByteArray &text, qsizetype at)
{
    if (at <= 0 || at >= text.size() || QByteArray(",:}]\"\r\n \t").contains(text.at(at)))
        return false;
    qsizetype i = at - 1;
    while (i >= 0 && (text.at(i) == ' ' || text.at(i) == '\t'))
        --i;
    return i >= 0 && text.at(i) == '"';
}

QString expectation(const QJsonParseError &error, const QByteArray &text)
{
    QString what;
    switch (error.error) {
    case QJsonParseError::UnterminatedObject:
        what = "expected ',' or '}' after a value in an object";
        break;
    case QJsonParseError::MissingNameSeparator:
        what = "expected ':' after a key";
        break;
    case QJsonParseError::UnterminatedArray:
        what = "expected ',' or ']' after a value in an array";
        break;
    case QJsonParseError::MissingValueSeparator:
        what = "expected a value after ':'";
        break;
    case QJsonParseError::IllegalValue:
        what = "expected a value: a \"string\", a number, true, false, null, { or [";
        break;
    case QJsonParseError::TerminationByNumber:
        what = "the text ends inside a number";
        break;
    case QJsonParseError::IllegalNumber:
        what = "expected a number";
        break;
    case QJsonParseError::IllegalEscapeSequence:
        what = "expected an escape such as \\n, \\\", \\\\ or \\uXXXX after a backslash";
        break;
    case QJsonParseError::IllegalUTF8String:
        what = "the text is not valid UTF-8";
        break;
    case QJsonParseError::UnterminatedString:
        what = "expected '\"' to end the string";
        break;
    case QJsonParseError::MissingObject:
        what = "expected a key in quotes after ','; a trailing comma before '}' is not allowed";
        break;
    case QJsonParseError::DeepNesting:
        what = "the text is nested too deeply";
        break;
    case QJsonParseError::DocumentTooLarge:
        what = "the text is too large";
        break;
    case QJsonParseError::GarbageAtEnd:
        what = "expected nothing after the closing '}'";
        break;
    case QJsonParseError::NoError:
        break;
    }
    if ((error.error == QJsonParseError::UnterminatedObject ||
         error.error == QJsonParseError::UnterminatedArray ||
         error.error == QJsonParseError::MissingNameSeparator) &&
        afterClosedString(text, error.offset - 1))
        what += "; a '\"' inside a string is written \\\"";
    return what;
}
} // namespace

void LineAndColumn(const QByteArray &text, qsizetype offset, int &line, int &column)
{
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    const qsizetype lineStart = text.lastIndexOf('\n', offset - 1) + 1;
    line = int(text.left(lineStart).count('\n')) + 1;
    column = int(QString::fromUtf8(text.mid(lineStart, offset - lineStart)).size()) + 1;
}

bool ParseJsonObject(const QByteArray &text, QJsonObject &object, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // Qt points just past the character it could not use; the author looks for that one.
        int line = 0;
        int column = 0;
        LineAndColumn(text, std::max(0, parseError.offset - 1), line, column);
        *error = QString("line %1, column %2: %3")
                     .arg(line)
                     .arg(column)
                     .arg(expectation(parseError, text));
        return false;
    }
    if (!document.isObject()) {
        *error = "line 1, column 1: expected '{': the top level must be a JSON object";
        return false;
    }
    object = document.object();
    return true;
}
