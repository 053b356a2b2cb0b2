#!/usr/bin/env python3
"""Replays a lesson's authoring file and checks every step against the program it promises.

    scripts/replay-lesson.py lessons/webgl/lesson.json

Starting from an empty program, each page is applied the way the learner applies it in the
editor: an add page inserts its snippet at the start of its line, a replace page puts its
snippet in place of its lines, a delete page removes its lines. After every page the result
must equal the page's "program". The script also checks what would trip a learner: a snippet
that does not end in a line break, lines outside the program, an add page whose arrows do not
cover the added lines, a delete page whose shown text is not what it deletes, and a missing
tutorial page html/index<N>.html next to the lesson file. Exit status 0 when all is well.
"""

import argparse
import difflib
import json
import os
import sys

KINDS = ("add", "replace", "delete")


def split_lines(text):
    return text.splitlines(keepends=True)


def line_range(first, count):
    last = first + count - 1
    return f"line {first}" if count == 1 else f"lines {first}-{last}"


def check_page(index, page, lines, errors):
    """Applies one page to `lines` in place; appends what is wrong to `errors`."""
    where = f"page {index}"
    for key, kind in (("snippet", str), ("kind", str), ("line", int), ("count", int), ("program", str)):
        if not isinstance(page.get(key), kind) or (kind is int and isinstance(page.get(key), bool)):
            errors.append(f"{where}: \"{key}\" is missing or not a {kind.__name__}")
            return False
    snippet, kind, first, count = page["snippet"], page["kind"], page["line"], page["count"]
    if kind not in KINDS:
        errors.append(f"{where}: kind \"{kind}\" is not one of {', '.join(KINDS)}")
        return False
    if snippet and not snippet.endswith("\n"):
        errors.append(f"{where}: the snippet does not end with a line break")
    if first < 1 or count < 0:
        errors.append(f"{where}: line {first} and count {count} must be at least 1 and 0")
        return False
    new = split_lines(snippet)

    if kind == "add":
        if first > len(lines) + 1:
            errors.append(f"{where}: adds at line {first}, but the program has {len(lines)} lines")
            return False
        if count != len(new):
            errors.append(f"{where}: count is {count}, but the snippet adds {len(new)} lines")
        lines[first - 1:first - 1] = new
        return True

    if count == 0:
        errors.append(f"{where}: a {kind} page needs a count of at least 1")
        return False
    if first + count - 1 > len(lines):
        errors.append(f"{where}: {kind}s {line_range(first, count)}, but the program has "
                      f"{len(lines)} lines")
        return False
    old = lines[first - 1:first - 1 + count]
    if kind == "replace":
        if not snippet:
            errors.append(f"{where}: a replace page needs a snippet")
        lines[first - 1:first - 1 + count] = new
    else:
        if snippet and snippet != "".join(old):
            errors.append(f"{where}: the snippet shows {snippet!r}, but the program has "
                          f"{''.join(old)!r} at {line_range(first, count)}")
        del lines[first - 1:first - 1 + count]
    return True


def replay(lesson, lesson_dir):
    errors = []
    folder = lesson.get("folder")
    if not isinstance(folder, str) or not folder:
        errors.append("\"folder\" is missing or empty")
    pages = lesson.get("pages")
    if not isinstance(pages, list) or not pages:
        return errors + ["\"pages\" is missing or empty"]

    lines = []
    for index, page in enumerate(pages):
        if not isinstance(page, dict):
            errors.append(f"page {index}: not an object")
            break
        if not check_page(index, page, lines, errors):
            break
        actual = "".join(lines)
        if actual != page["program"]:
            diff = difflib.unified_diff(split_lines(page["program"]), split_lines(actual),
                                        "expected", "after replay", lineterm="")
            errors.append(f"page {index}: the program after this step differs:\n"
                          + "\n".join(d.rstrip("\n") for d in diff))
            # Go on from the promised program, so one slip is reported once.
            lines[:] = split_lines(page["program"])
        html = os.path.join(lesson_dir, "html", f"index{index}.html")
        if not os.path.isfile(html):
            errors.append(f"page {index}: {html} is missing")
    return errors


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("lesson", help="the lesson's lesson.json")
    args = parser.parse_args()
    try:
        with open(args.lesson, encoding="utf-8") as f:
            lesson = json.load(f)
    except (OSError, ValueError) as error:
        print(f"{args.lesson}: {error}", file=sys.stderr)
        return 2
    if not isinstance(lesson, dict):
        print(f"{args.lesson}: the top level is not an object", file=sys.stderr)
        return 2
    errors = replay(lesson, os.path.dirname(os.path.abspath(args.lesson)))
    for error in errors:
        print(f"{args.lesson}: {error}", file=sys.stderr)
    if errors:
        return 1
    print(f"{args.lesson}: {len(lesson['pages'])} pages replay cleanly")
    return 0


if __name__ == "__main__":
    sys.exit(main())
