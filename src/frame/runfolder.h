#pragma once

// Where Run writes its page when the lesson folder beside the program belongs to the system (an
// installed program): a folder of the learner's own that mirrors the lesson folder.

#include <QString>

#include <optional>

// Whether a file can be created in the folder, found by creating one: root may write where the
// permission bits say no, and a read-only mount says no to everyone. False only for a refusal
// (access denied, read-only file system); a folder that is missing or no folder is left to the
// write itself to report.
bool FolderRefusesWrites(const QString &folder);

// The per-user folder that stands in for `lessonFolder`: `userRoot`/`relativeFolder`, holding a
// link to every entry of the lesson folder but index.html, so the page finds the lesson's images
// and scripts under the same names. Links are brought up to date on every call; nothing but links
// this function made is ever removed. The mirror must resolve inside the resolved `userRoot` and
// not be it. Returns nullopt with `err` set (errno) when it cannot be made.
std::optional<QString> MirrorLessonFolder(const QString &lessonFolder,
                                          const QString &relativeFolder, const QString &userRoot,
                                          int &err);

// The root of the mirrors: the program's data folder.
QString RunMirrorRoot();
