#pragma once

// Where lessons live: next to the program, or, where that folder cannot be written (an installed
// program), in the user's own lesson folder. The tutorial pane, Run and the lesson tool's install
// share this rule, so a lesson installed in either place plays the same.

#include <QString>

#include <string_view>

// <data>/Bolto アプリケーション/HTML5/lessons, the user's own lesson folder (the same folder
// QStandardPaths::AppDataLocation gives the program, whoever asks).
QString UserLessonRoot();

// The root whose <root>/<folder> holds the lesson folder: the program directory when the folder
// is there (or nowhere), else the user's lesson folder when it is there. Ends with '/'.
QString LessonRootFor(const QString &programDirectory, std::string_view folderName);
