#pragma once
// Small helpers the engine's and the designer's dialogs use on their controls.
#include <QList>
#include <QPoint>
#include <QString>

class QWidget;

// Labels take the window-text colour (grey text when disabled); other controls the window colour
// (button face when disabled); all are then enabled or disabled.
void rpEnableControls(const QList<QWidget*>& controls, bool enable);
// The visible child of parent under point (parent's client coordinates), topmost first, looking inside
// containers that have children; null when none.
QWidget* rpControlAtPos(QWidget* parent, const QPoint& point);
// The system family the engine reports ("NT": this system has no other).
QString rpGetWindowsVersion();
