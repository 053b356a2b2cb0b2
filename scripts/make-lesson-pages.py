#!/usr/bin/env python3
"""Writes a lesson's tutorial pages html/index<N>.html from lesson.json and pages.txt.

    scripts/make-lesson-pages.py lessons/webgl            # write the pages
    scripts/make-lesson-pages.py lessons/webgl --check    # fail if a page is out of date

lesson.json gives each page's snippet, kind, lines and count; pages.txt gives each page's title
and explanation (a section per page, starting with "=== <title>", body in HTML). The script adds
the snippet in coloured text, the lines it concerns, what to do in the editor and the links, so a
page always shows exactly the snippet that a click copies.
"""

import argparse
import html
import json
import os
import sys

LESSON_TITLE = "WebGL入門"

KIND_WORDS = {"add": "追加", "replace": "置き換え", "delete": "削除"}

PAGE = """<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<title>{lesson} {step}: {title}</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<header>
<p class="step">{lesson} — {step}</p>
<h1>{title}</h1>
</header>
<main>
{body}
{task}</main>
<nav>
{links}
</nav>
</body>
</html>
"""


def read_sections(path):
    """Returns [(title, body)] from pages.txt."""
    sections = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("=== "):
                sections.append([line[4:].strip(), []])
            elif sections:
                sections[-1][1].append(line)
            elif line.strip() and not line.startswith("#"):
                raise ValueError(f"{path}: text before the first \"=== title\" line")
    return [(title, "".join(body).strip("\n")) for title, body in sections]


def line_span(first, count):
    if count <= 1:
        return f"{first}行目"
    return f"{first}〜{first + count - 1}行目"


def pre(css_class, text):
    # The parser drops one line break right after <pre>; give it one so a snippet that starts
    # with an empty line keeps it.
    return f'<pre class="{css_class}">\n{html.escape(text, quote=False)}</pre>'


def task_section(page, previous_program):
    kind, first, count, snippet = page["kind"], page["line"], page["count"], page["snippet"]
    span = line_span(first, count)
    parts = [f'<section class="task {kind}">',
             f'<h2>やること：{span}を{KIND_WORDS[kind]}</h2>']
    if kind == "add":
        parts += [
            pre(f"snippet {kind}", snippet),
            '<ol class="howto">',
            "<li>このページのどこかを<strong>クリック</strong>すると、上の赤いコードがコピーされます"
            "（音が鳴り、ステータスバーにお知らせが出ます）。</li>",
            "<li>右のエディタをクリックして、<strong>Ctrl+V</strong> で貼り付けます"
            "（右クリックして「貼り付け」でもかまいません）。"
            f"カーソルは{first}行目の先頭にあり、赤い矢印が追加する場所を示しています。</li>",
            "<li>貼り付けたら、下の<strong>「次へ」</strong>をクリックします。</li>",
            "</ol>",
        ]
    elif kind == "replace":
        old = "".join(previous_program.splitlines(keepends=True)[first - 1:first - 1 + count])
        parts += [
            pre(f"snippet {kind}", snippet),
            '<p class="was">置き換えられる今の行：</p>',
            pre("old", old),
            '<ol class="howto">',
            "<li>このページのどこかを<strong>クリック</strong>すると、上の緑のコードがコピーされます"
            "（音が鳴り、ステータスバーにお知らせが出ます）。</li>",
            f"<li>右のエディタでは{span}が選ばれています（緑の矢印）。エディタをクリックして、"
            "<strong>Ctrl+V</strong> で貼り付けると、選ばれた行が新しいコードに置き換わります。</li>",
            "<li>貼り付けたら、下の<strong>「次へ」</strong>をクリックします。</li>",
            "</ol>",
        ]
    else:
        parts += [
            pre(f"snippet {kind}", snippet),
            '<ol class="howto">',
            f"<li>右のエディタをクリックします。{span}（青い矢印）が選ばれたままになります。</li>",
            "<li><strong>Delete</strong> キー（または <strong>Back Space</strong> キー）を押すと、"
            "選ばれた行が消えます。</li>",
            "<li>消えたら、下の<strong>「次へ」</strong>をクリックします。</li>",
            "</ol>",
            '<p class="note">このページをクリックすると青い行がコピーされますが、貼り付ける必要はありません。'
            "行を消すまで、このページのリンクは反応しません。</p>",
        ]
    parts.append("</section>")
    return "\n".join(parts) + "\n"


def render_pages(lesson, sections):
    pages = lesson["pages"]
    if len(sections) != len(pages):
        raise ValueError(f"pages.txt has {len(sections)} sections, lesson.json {len(pages)} pages")
    # A last page without a snippet is the closing page, not a step.
    steps = len(pages) - 1 if not pages[-1]["snippet"] else len(pages)
    previous_program = ""
    result = []
    for index, (page, (title, body)) in enumerate(zip(pages, sections)):
        if index < steps:
            step = f"ステップ {index + 1} / {steps}"
            task = task_section(page, previous_program)
        else:
            step = "完成"
            task = ""
        links = []
        if index > 0:
            links.append(f'<a class="back" href="index{index - 1}.html">← 戻る</a>')
        if index + 1 < len(pages):
            links.append(f'<a class="next" href="index{index + 1}.html">次へ →</a>')
        result.append(PAGE.format(lesson=LESSON_TITLE, step=step, title=html.escape(title),
                                  body=body, task=task, links="\n".join(links)))
        previous_program = page["program"]
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("lesson_dir", help="the lesson's folder, holding lesson.json and pages.txt")
    parser.add_argument("--check", action="store_true",
                        help="write nothing; fail when a page differs from what would be written")
    args = parser.parse_args()
    try:
        with open(os.path.join(args.lesson_dir, "lesson.json"), encoding="utf-8") as f:
            lesson = json.load(f)
        pages = render_pages(lesson, read_sections(os.path.join(args.lesson_dir, "pages.txt")))
    except (OSError, ValueError, KeyError, TypeError) as error:
        print(f"{args.lesson_dir}: {error}", file=sys.stderr)
        return 2

    html_dir = os.path.join(args.lesson_dir, "html")
    stale = []
    for index, text in enumerate(pages):
        path = os.path.join(html_dir, f"index{index}.html")
        try:
            with open(path, encoding="utf-8", newline="") as f:
                current = f.read()
        except OSError:
            current = None
        if current == text:
            continue
        stale.append(path)
        if not args.check:
            os.makedirs(html_dir, exist_ok=True)
            with open(path, "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
    if args.check and stale:
        for path in stale:
            print(f"{path} is out of date; run scripts/make-lesson-pages.py {args.lesson_dir}",
                  file=sys.stderr)
        return 1
    if not args.check:
        print(f"{len(stale)} of {len(pages)} pages written to {html_dir}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
