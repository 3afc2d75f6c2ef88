#pragma once
// The dialog in which a net number is chosen: the numbers 1 to 20 on a map (those already listed in grey,
// still choosable), any number from 1 to 256 typed or stepped.
#include <QDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include <array>

class TNetNumSelectForm : public QDialog {
    Q_OBJECT
public:
    explicit TNetNumSelectForm(QWidget* parent = nullptr);

    void ClearMarks();
    void SetMark(int number); // ignored outside 0..255
    bool Mark(int number) const;

    QTableWidget* MapGrid;
    QSpinBox* NumUpDown; // with its edit field (NumEdit)
    QPushButton* OkBtn;
    int NetNum = 0;

    void MapGridDrawCell();
    void MapGridSelectCell(int row, int column);
    void MapGridDblClick();
    void OkBtnClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    // The map's cell of the number chosen, or none.
    void showOnMap(int number);

    std::array<bool, 256> used_{};
};
