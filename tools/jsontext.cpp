#include "jsontext.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace {
// Whether `offset` lies just after a string that closed early: `"a "b" c"` parses as the string
// "a " followed by junk, which the parser reports as a missing comma or brace.
bool afterClosedString(const QByteArray &text, qsizetype offset)
{
    qsizetype i = std::min(offset, text.size()) - 1;
    while (i >= 0 && (text.at(i) == ' ' || text.at(i) == '\t'))
        --i;
    if (i < 0 || text.at(i) != '"')
        return false;
    // The string's content continues on this line: a letter, not a structural character.
    qsizetype j = std::min(offset, text.size());
    while (j < text.size() && (text.at(j) == ' ' || text.at(j) == '\t'))
        ++j;
    return j < text.size() && !QByteArray(",:}]\r\n").contains(text.at(j));
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
        what = "expected '\"' to end the string (a line break inside a string is written \\n)";
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
        afterClosedString(text, error.offset))
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
        // Qt points just past the token it could not use; the author looks for the token.
        int line = 0;
        int column = 0;
        qsizetype offset = parseError.offset;
        while (offset > 0 && offset <= text.size() &&
               QByteArray(" \t\r\n").contains(text.at(offset - 1)))
            --offset;
        LineAndColumn(text, offset, line, column);
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
