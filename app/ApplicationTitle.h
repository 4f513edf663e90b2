#pragma once
// The application title: the caption of the standard error box. The main
// window sets it to its own caption once it is created; before that it is
// the program's name.
//
// It is deliberately not Qt's application display name: Qt appends that name
// to every window caption ("关于 — ..."), which would change the captions of
// the About window and of every message box.

#include <QString>

namespace lumiq {

QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

} // namespace lumiq
