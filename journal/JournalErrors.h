#pragma once
// Failures of the journal's commands as the operator sees them: a short Russian message, while the data
// layer's own text (English, with its SQL) goes to the log only.
#include <QString>

#include <functional>

// Runs an operator's command. Whatever it raises is logged under the command's name with its technical
// text, and the operator is told `message` in a message box. False when the command failed.
bool RunReported(const char* command, const QString& message, const std::function<void()>& run);

// The system's reason in a data layer's error text, in the operator's words (no room on the disk, no right
// to write, ...); empty when the text names none of them.
QString SystemReason(const char* technical);

// The messages of the journal's commands.
namespace journal_msg {
inline const QString kView = QStringLiteral("Не удалось прочитать записи журнала. Подробности записаны в лог программы.");
inline const QString kDelete = QStringLiteral("Не удалось удалить запись журнала. Подробности записаны в лог программы.");
inline const QString kOpenAct = QStringLiteral("Не удалось открыть акт этой записи. Подробности записаны в лог программы.");
inline const QString kSaveAct =
    QStringLiteral("Акт не сохранён: журнал не принял запись. Исправьте данные акта или отмените его. "
                   "Подробности записаны в лог программы.");
inline const QString kBadPhoto =
    QStringLiteral("Фотографию этой записи не удалось прочитать. Акт открыт без фотографии.");
} // namespace journal_msg
