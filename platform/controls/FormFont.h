#pragma once
// The forms' font: every window whose controls stand at fixed positions was laid out for it.
class QWidget;

namespace ctl {

// 8-point "MS Sans Serif", drawn by the installed font of the same metrics; children inherit it.
void SetFormFont(QWidget* form);

} // namespace ctl
