#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "tree/TreeImages.h"

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About Corvantis");
    auto* icon = new QLabel(this);
    icon->setObjectName("ProgramIcon");
    icon->setPixmap(TreeImages().image(2).scaled(32, 32));
    auto* product = new QLabel("Corvantis", this);
    product->setObjectName("ProductName");
    QFont big = product->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 4);
    product->setFont(big);
    auto* version = new QLabel("Version " CORVANTIS_VERSION, this);
    version->setObjectName("Version");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(product, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
}
