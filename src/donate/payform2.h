// SPDX-License-Identifier: MIT
#ifndef PAYFORM2_H
#define PAYFORM2_H

#include <QWidget>

namespace Ui {
class payForm2;
}

// The donation window: an appeal and two payment QR codes.
class payForm2 : public QWidget
{
    Q_OBJECT

public:
    explicit payForm2(QWidget *parent = nullptr);
    ~payForm2() override;

private:
    Ui::payForm2 *ui;
};

#endif // PAYFORM2_H
