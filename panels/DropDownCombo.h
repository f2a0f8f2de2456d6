// A drop-down list that says when its list opens and when it closes, however
// it closes: by a choice, by Escape or by a click elsewhere.
#pragma once

#include <QComboBox>

class TDropDownCombo : public QComboBox {
    Q_OBJECT

public:
    explicit TDropDownCombo(QWidget *parent = nullptr);

    void showPopup() override;

signals:
    void droppedDown();
    void closedUp();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *fWatchedList = nullptr;
};
