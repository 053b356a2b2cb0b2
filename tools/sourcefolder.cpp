#include "sourcefolder.h"

#include "jsontext.h"
#include "lessonfolder.h"
#include "lessonjson.h"

#include "bolto.h"
#include "qtcodepage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <md4c-html.h>

#include <map>

namespace {
// Characters authors paste from word processors that code page 932 spells differently.
const std::map<char32_t, char32_t> kNearest = {
    {0x2014, 0x2015}, // EM DASH -> HORIZONTAL BAR
    {0x2013, 0x2010}, // EN DASH -> HYPHEN
    {0x2012, 0x2010}, // FIGURE DASH -> HYPHEN
    {0x301C, 0xFF5E}, // WAVE DASH -> FULLWIDTH TILDE
    {0x2016, 0x2225}, // DOUBLE VERTICAL LINE -> PARALLEL TO
    {0x2212, 0xFF0D}, // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    {0x00A2, 0xFFE0}, // CENT SIGN
    {0x00A3, 0xFFE1}, // POUND SIGN
    {0x00AC, 0xFFE2}, // NOT SIGN
    {0x00A0, 0x0020}, // NO-BREAK SPACE -> SPACE
    {0x00A6, 0xFFE4}, // BROKEN BAR
};

bool inCp932(const QString &one)
{
    bool valid = false;
    return FromCp932(ToCp932(one), &valid) == one && valid;
}

QString codeName(char32_t code)
{
    return QString("U+%1").arg(QString::number(uint(code), 16).toUpper().rightJustified(4, '0'));
}

QString nearestInCp932(char32_t code, const QString &one)
{
    QString candidate;
    const auto it = kNearest.find(code);
    if (it != kNearest.end())
        candidate = QString::fromUcs4(&it->second, 1);
    else
        candidate = one.normalized(QString::NormalizationForm_KC);
    if (candidate.isEmpty() || candidate == one || !inCp932(candidate))
        return {};
    if (candidate == " ")
        return "a space";
    return candidate.size() == 1
               ? QString("%1 (%2)").arg(candidate, codeName(candidate.at(0).unicode()))
               : candidate;
}

std::string toLessonBytes(const QString &lfText)
{
    QString text = lfText;
    text.replace('\n', "\r\n");
    return ToCp932(text);
}

QString markdownToHtml(const QString &markdown)
{
    const QByteArray input = markdown.toUtf8();
    QByteArray output;
    md_html(
        input.constData(), MD_SIZE(input.size()),
        [](const MD_CHAR *text, MD_SIZE size, void *out) {
            static_cast<QByteArray *>(out)->append(text, qsizetype(size));
        },
        &output, MD_DIALECT_GITHUB, 0);
    return QString::fromUtf8(output).trimmed();
}

QString escapeHtml(const QString &text, bool quotes)
{
    QString out;
    for (QChar c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (quotes && c == '"')
            out += "&quot;";
        else if (quotes && c == '\'')
            out += "&#x27;";
        else
            out += c;
    }
    return out;
}

QString lineSpan(int first, int count)
{
    if (count <= 1)
        return QString("%1行目").arg(first);
    return QString("%1〜%2行目").arg(first).arg(first + count - 1);
}

QString pre(const QString &cssClass, const QString &text)
{
    // The parser drops one line break right after <pre>; give it one so a snippet that starts
    // with an empty line keeps it.
    return QString("<pre class=\"%1\">\n%2</pre>").arg(cssClass, escapeHtml(text, false));
}

QString taskSection(const StepChange &change, const QString &previousProgram)
{
    static const char *kindNames[] = {"add", "replace", "delete"};
    static const char *kindWords[] = {"追加", "置き換え", "削除"};
    const QString kind = kindNames[change.kind];
    const QString span = lineSpan(change.line, change.count);
    QStringList parts{QString("<section class=\"task %1\">").arg(kind),
                      QString("<h2>やること：%1を%2</h2>").arg(span, kindWords[change.kind])};
    parts << pre("snippet " + kind, change.snippet);
    if (change.kind == Add) {
        parts << "<ol class=\"howto\">"
              << "<li>このページのどこかを<strong>クリック</strong>すると、上の赤いコードがコピーさ"
                 "れます（音が鳴り、ステータスバーにお知らせが出ます）。</li>"
              << QString("<li>右のエディタをクリックして、<strong>Ctrl+V</strong> で貼り付けます"
                         "（右クリックして「貼り付け」でもかまいません）。カーソルは%1行目の先頭"
                         "にあり、赤い矢印が追加する場所を示しています。</li>")
                     .arg(change.line)
              << "<li>貼り付けたら、下の<strong>「次へ」</strong>をクリックします。</li>"
              << "</ol>";
    } else if (change.kind == Replace) {
        const QStringList lines = SplitKeepingEnds(previousProgram);
        parts << "<p class=\"was\">置き換えられる今の行：</p>"
              << pre("old", lines.mid(change.line - 1, change.count).join(QString()))
              << "<ol class=\"howto\">"
              << "<li>このページのどこかを<strong>クリック</strong>すると、上の緑のコードがコピーさ"
                 "れます（音が鳴り、ステータスバーにお知らせが出ます）。</li>"
              << QString("<li>右のエディタでは%1が選ばれています（緑の矢印）。エディタをクリックし"
                         "て、<strong>Ctrl+V</strong> で貼り付けると、選ばれた行が新しいコードに置"
                         "き換わります。</li>")
                     .arg(span)
              << "<li>貼り付けたら、下の<strong>「次へ」</strong>をクリックします。</li>"
              << "</ol>";
    } else {
        parts << "<ol class=\"howto\">"
              << QString("<li>右のエディタをクリックします。%1（青い矢印）が選ばれたままになりま"
                         "す。</li>")
                     .arg(span)
              << "<li><strong>Delete</strong> キー（または <strong>Back Space</strong> キー）を押"
                 "すと、選ばれた行が消えます。</li>"
              << "<li>消えたら、下の<strong>「次へ」</strong>をクリックします。</li>"
              << "</ol>"
              << "<p class=\"note\">このページをクリックすると青い行がコピーされますが、貼り付け"
                 "る必要はありません。行を消すまで、このページのリンクは反応しません。</p>";
    }
    parts << "</section>";
    return parts.join('\n') + '\n';
}

// One pass, so a snippet that happens to contain "{{body}}" stays as it is.
QString fillTemplate(const QString &text, const std::map<QString, QString> &fields)
{
    static const QRegularExpression field("\\{\\{(\\w+)\\}\\}");
    QString out;
    qsizetype done = 0;
    for (QRegularExpressionMatchIterator it = field.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const auto value = fields.find(match.captured(1));
        if (value == fields.end())
            continue;
        out += text.mid(done, match.capturedStart() - done) + value->second;
        done = match.capturedEnd();
    }
    return out + text.mid(done);
}

// Step and page files are named by number: "01.html", "2.js", "10.md".
int fileNumber(const QString &name)
{
    static const QRegularExpression pattern("^(\\d{1,4})\\.[^.]+$");
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}
} // namespace

QString Cp932Problem(const QString &text)
{
    int line = 1;
    int column = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, length);
        if (one == "\n") {
            ++line;
            column = 1;
            continue;
        }
        if (!inCp932(one)) {
            const char32_t code = length == 2 ? QChar::surrogateToUcs4(one.at(0), one.at(1))
                                              : char32_t(one.at(0).unicode());
            QString message = QString("line %1, column %2: %3 (%4) has no code page 932 form")
                                  .arg(line)
                                  .arg(column)
                                  .arg(codeName(code), one);
            const QString nearest = nearestInCp932(code, one);
            if (!nearest.isEmpty())
                message += "; the nearest it has is " + nearest;
            return message;
        }
        i += length - 1;
        ++column;
    }
    return {};
}

bool CSourceFolder::IsSourceFolder(const QString &path)
{
    return QFileInfo(path).isDir() && QFileInfo::exists(QDir(path).filePath("lesson.json"));
}

QString CSourceFolder::StepLabel(int index) const
{
    return QString("ステップ %1 / %2").arg(index + 1).arg(m_steps.size());
}

bool CSourceFolder::readText(const QString &relative, QString &text)
{
    const QString path = QDir(m_dir).filePath(relative);
    m_inputs.append(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fault(QString("%1: cannot read it: %2").arg(relative, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    text = decoder.decode(bytes);
    if (decoder.hasError()) {
        fault(QString("%1: the file is not UTF-8; save it as UTF-8").arg(relative));
        return false;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace("\r\n", "\n");
    return true;
}

bool CSourceFolder::readSettings()
{
    QString text;
    if (!readText("lesson.json", text))
        return false;
    QJsonObject object;
    QString error;
    if (!ParseJsonObject(text.toUtf8(), object, &error)) {
        fault("lesson.json: " + error);
        return false;
    }
    static const QStringList keys = {"title", "folder", "replace"};
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!keys.contains(it.key()))
            fault(QString("lesson.json: unknown key \"%1\"; a lesson source has %2")
                      .arg(it.key(), keys.join(", ")));
    }
    static const QRegularExpression range("^\\s*(\\d{1,6})\\s*-\\s*(\\d{1,6})\\s*$");
    const QJsonObject widen = object.value("replace").toObject();
    if (object.contains("replace") && !object.value("replace").isObject())
        fault("lesson.json: \"replace\" must be an object such as {\"7\": \"10-13\"}");
    for (auto it = widen.begin(); it != widen.end(); ++it) {
        const QRegularExpressionMatch match = range.match(it.value().toString());
        bool numbered = false;
        const int step = it.key().toInt(&numbered);
        if (!numbered || step < 1 || !match.hasMatch())
            fault(QString("lesson.json: replace: \"%1\": expected a step number and lines such as "
                          "\"7\": \"10-13\"")
                      .arg(it.key()));
        else
            m_widen[step] = {match.captured(1).toInt(), match.captured(2).toInt()};
    }
    for (const QString &key : {QString("title"), QString("folder")}) {
        if (!object.value(key).isString() || object.value(key).toString().isEmpty())
            fault(QString("lesson.json: \"%1\" must be a non-empty string").arg(key));
    }
    m_title = object.value("title").toString();
    m_folder = object.value("folder").toString();
    const QString problem = Cp932Problem(m_folder);
    if (!problem.isEmpty())
        fault("lesson.json: folder: " + problem.section(": ", 1));
    m_folderBytes = ToCp932(m_folder);
    if (!m_folder.isEmpty() && !IsBelowProgramDirectory(LessonFolderPath(m_folderBytes)))
        fault(QString("lesson.json: folder \"%1\" is not below the program directory, so the "
                      "player refuses it; name a folder such as \"%2\"")
                  .arg(m_folder, QFileInfo(m_dir).fileName()));
    return m_faults.isEmpty();
}

void CSourceFolder::readSteps()
{
    const QDir steps(QDir(m_dir).filePath("steps"));
    std::map<int, QString> files;
    for (const QString &name : steps.entryList(QDir::Files, QDir::Name)) {
        const int number = fileNumber(name);
        if (number < 1) {
            fault(
                QString("steps/%1: a step file is named by its number, such as 01.html").arg(name));
            continue;
        }
        if (files.count(number)) {
            fault(QString("steps/%1 and steps/%2 are both step %3")
                      .arg(files[number], name)
                      .arg(number));
            continue;
        }
        files[number] = name;
    }
    if (files.empty()) {
        fault("steps/: no programs; write the learner's whole program after step 1 as "
              "steps/01.html, after step 2 as steps/02.html, and so on");
        return;
    }
    int expected = 1;
    for (const auto &[number, name] : files) {
        if (number != expected) {
            fault(QString("steps/%1: step %2 is missing before it (steps are numbered 1, 2, 3 "
                          "... without gaps)")
                      .arg(name)
                      .arg(expected));
            return;
        }
        ++expected;
        Step step;
        step.file = "steps/" + name;
        if (!readText(step.file, step.program))
            return;
        m_steps.push_back(std::move(step));
    }
}

std::optional<CSourceFolder::Page> CSourceFolder::readPage(const QString &name)
{
    Page page;
    page.file = "pages/" + name;
    QString text;
    if (!readText(page.file, text))
        return std::nullopt;
    const qsizetype end = text.indexOf('\n');
    const QString first = end < 0 ? text : text.left(end);
    if (!first.startsWith("# ") || first.mid(2).trimmed().isEmpty()) {
        fault(QString("%1: line 1: expected the page title as \"# title\"").arg(page.file));
        return page;
    }
    page.title = first.mid(2).trimmed();
    QString body = end < 0 ? QString() : text.mid(end + 1);
    while (body.startsWith('\n'))
        body.remove(0, 1);
    while (body.endsWith('\n'))
        body.chop(1);
    page.bodyHtml = name.endsWith(".md") ? markdownToHtml(body) : body;
    return page;
}

void CSourceFolder::readPages()
{
    const QDir pages(QDir(m_dir).filePath("pages"));
    std::map<int, QString> files;
    for (const QString &name : pages.entryList(QDir::Files, QDir::Name)) {
        if (!name.endsWith(".md") && !name.endsWith(".html")) {
            fault(QString("pages/%1: a page is a .md or .html file").arg(name));
            continue;
        }
        if (name.startsWith("end.")) {
            if (m_closing)
                fault(QString("pages/%1: a second closing page").arg(name));
            else
                m_closing = readPage(name);
            continue;
        }
        const int number = fileNumber(name);
        if (number < 1) {
            fault(QString("pages/%1: a page is named by its step's number, such as 01.md, or "
                          "end.md for the closing page")
                      .arg(name));
        } else if (number > int(m_steps.size())) {
            fault(QString("pages/%1: an extra page: there is no steps/%2 program for it")
                      .arg(name)
                      .arg(number, 2, 10, QChar('0')));
        } else if (m_steps[size_t(number - 1)].page) {
            fault(QString("pages/%1: a second page for step %2").arg(name).arg(number));
        } else {
            m_steps[size_t(number - 1)].page = readPage(name);
        }
    }
    for (size_t i = 0; i < m_steps.size(); ++i) {
        if (!m_steps[i].page)
            fault(QString("%1 (%2): no page; write pages/%3.md")
                      .arg(StepLabel(int(i)), m_steps[i].file)
                      .arg(i + 1, 2, 10, QChar('0')));
    }
}

void CSourceFolder::checkProgram(const Step &step, int index)
{
    const QString where = QString("%1 (%2)").arg(StepLabel(index), step.file);
    const QString problem = Cp932Problem(step.program);
    if (!problem.isEmpty())
        fault(QString("%1: %2").arg(where, problem));
    if (!step.program.isEmpty() && !step.program.endsWith('\n'))
        fault(QString("%1: the program does not end with a line break, so its last line would "
                      "run into what the learner types after it")
                  .arg(where));
    const StepChange &change = step.change;
    if (change.outcome == StepChange::unchanged) {
        fault(QString("%1: the step does not change the program").arg(where));
    } else if (change.outcome == StepChange::severalHunks) {
        fault(QString("%1: the step changes the program in more than one place; split it into "
                      "one step per place:\n%2")
                  .arg(where, change.hunks.trimmed()));
    } else {
        const qsizetype tab = change.snippet.indexOf('\t');
        if (tab >= 0 && change.kind != Delete)
            fault(QString("%1: the snippet has a tab at line %2 (program line %3); write spaces "
                          "so the learner's indentation matches")
                      .arg(where)
                      .arg(change.snippet.left(tab).count('\n') + 1)
                      .arg(change.line + change.snippet.left(tab).count('\n')));
    }
}

bool CSourceFolder::Read(const QString &dir)
{
    m_dir = dir;
    if (!readSettings())
        return false;
    readSteps();
    QString previous;
    for (size_t i = 0; i < m_steps.size(); ++i) {
        m_steps[i].change = ComputeStep(previous, m_steps[i].program);
        const auto widen = m_widen.find(int(i + 1));
        QString why;
        if (widen != m_widen.end() && !WidenStep(previous, m_steps[i].program, widen->second.first,
                                                 widen->second.second, m_steps[i].change, &why))
            fault(QString("lesson.json: replace: %1 (%2): %3")
                      .arg(StepLabel(int(i)), m_steps[i].file, why));
        checkProgram(m_steps[i], int(i));
        previous = m_steps[i].program;
    }
    for (const auto &[step, lines] : m_widen) {
        if (step > int(m_steps.size()))
            fault(QString("lesson.json: replace: there is no step %1").arg(step));
    }
    if (!m_steps.empty())
        readPages();

    if (QFileInfo::exists(QDir(dir).filePath("template.html"))) {
        readText("template.html", m_template);
        for (const char *field : {"{{body}}", "{{task}}", "{{links}}"}) {
            if (!m_template.contains(QLatin1String(field)))
                fault(
                    QString("template.html: it has no %1, so the pages would lack it").arg(field));
        }
    } else {
        fault("template.html: missing; bolto-lesson new writes one to start from");
    }
    const QString style = QDir(dir).filePath("style.css");
    if (QFileInfo::exists(style)) {
        m_inputs.append(style);
        QFile file(style);
        if (file.open(QIODevice::ReadOnly))
            m_style = file.readAll();
        else
            fault("style.css: cannot read it: " + file.errorString());
    }
    return m_faults.isEmpty();
}

CLessonSource CSourceFolder::ToSource() const
{
    CLessonSource source;
    source.m_folder = m_folderBytes;
    for (const Step &step : m_steps) {
        CLessonSource::Page page;
        page.snippet = toLessonBytes(step.change.snippet);
        page.kind = step.change.kind;
        page.line = step.change.line;
        page.count = step.change.count;
        page.program = toLessonBytes(step.program);
        source.m_pages.push_back(std::move(page));
    }
    if (m_closing) {
        // The closing page changes nothing: an empty Add at the top.
        CLessonSource::Page page;
        page.kind = Add;
        page.line = 1;
        page.count = 0;
        page.program = m_steps.empty() ? std::string() : toLessonBytes(m_steps.back().program);
        source.m_pages.push_back(std::move(page));
    }
    return source;
}

std::vector<QByteArray> CSourceFolder::RenderPages() const
{
    std::vector<const Page *> pages;
    for (const Step &step : m_steps)
        pages.push_back(step.page ? &*step.page : nullptr);
    if (m_closing)
        pages.push_back(&*m_closing);

    std::vector<QByteArray> result;
    QString previousProgram;
    for (size_t i = 0; i < pages.size(); ++i) {
        const bool isStep = i < m_steps.size();
        const Page empty;
        const Page &page = pages[i] ? *pages[i] : empty;
        QStringList links;
        if (i > 0)
            links << QString("<a class=\"back\" href=\"index%1.html\">← 戻る</a>").arg(i - 1);
        if (i + 1 < pages.size())
            links << QString("<a class=\"next\" href=\"index%1.html\">次へ →</a>").arg(i + 1);
        const std::map<QString, QString> fields = {
            {"lesson", m_title},
            {"step", isStep ? StepLabel(int(i)) : QString("完成")},
            {"title", escapeHtml(page.title, true)},
            {"body", page.bodyHtml},
            {"task", isStep ? taskSection(m_steps[i].change, previousProgram) : QString()},
            {"links", links.join('\n')}};
        const QString html = fillTemplate(m_template, fields);
        result.push_back(html.toUtf8());
        if (isStep)
            previousProgram = m_steps[i].program;
    }
    return result;
}
