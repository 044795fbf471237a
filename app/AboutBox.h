// AboutBox: the product's name, version and icon, with an OK button.
#pragma once

#include <QDialog>

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};
