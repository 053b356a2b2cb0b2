#pragma once

// The lessons the start page lists: every lesson file in the program's directory.

#include <QList>
#include <QString>

struct LessonSummary
{
    QString path;  // absolute path of the lesson file
    QString title; // the first page's title, or the file name
    int steps = 0; // -1: the file could not be read as a lesson
};

// The lesson files directly in `directory`, sorted by file name. A file that is no readable
// lesson is listed with steps -1, so the learner still sees it and gets the message on opening.
QList<LessonSummary> ListLessons(const QString &directory);

// The script that fills the start page's list (the element with id "lessons"). `progress` is one
// text per lesson, possibly empty.
QString StartPageScript(const QList<LessonSummary> &lessons, const QStringList &progress);
