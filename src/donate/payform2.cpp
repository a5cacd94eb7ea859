// SPDX-License-Identifier: MIT
#include "payform2.h"
#include "ui_payform2.h"

payForm2::payForm2(QWidget *parent) : QWidget(parent), ui(new Ui::payForm2)
{
    ui->setupUi(this);
}

payForm2::~payForm2()
{
    delete ui;
}
