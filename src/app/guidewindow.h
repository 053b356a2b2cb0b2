#pragma once

class QWidget;

// Opens the learner guide, shipped inside the program, in a window of its own beside `owner`
// (one window per owner: a second call raises it). Returns the window.
QWidget *ShowLearnerGuide(QWidget *owner);
