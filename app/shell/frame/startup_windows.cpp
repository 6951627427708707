#include "startup_windows.h"

#include "platform/profile.h"
#include "ui/window/icons.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zv::frame {

ProductPictureWindow::ProductPictureWindow(int milliseconds, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog) {
    setObjectName("ZVLSHOW");
    auto* picture = new QLabel(this);
    picture->setPixmap(ui::productPicture(480, 200));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    QTimer::singleShot(milliseconds, this, &QDialog::accept);
}

void ProductPictureWindow::mousePressEvent(QMouseEvent*) {
    accept();
}

void ProductPictureWindow::mouseDoubleClickEvent(QMouseEvent*) {
    accept();
}

UserNameDialog::UserNameDialog(const std::string& userName1250, QWidget* parent) : QDialog(parent) {
    setObjectName("ZJISTIUZIVATELE");
    setWindowTitle(QStringLiteral("Zjištění uživatele"));
    entry_ = new QLineEdit(ui::qtText(userName1250.substr(0, 20)), this);
    entry_->setMaxLength(20);
    entry_->setMinimumWidth(entry_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 16);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Uživatel:"), entry_);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

std::string UserNameDialog::userName() const {
    std::string name = ui::recordText(entry_->text());
    if (name.size() > 20) name.resize(20);
    return name;
}

std::string identifyUser(const std::string& logonName1250, QWidget* parent) {
    UserNameDialog dialog(logonName1250, parent);
    const ProfileFile ini(".\\ZEVLON.INI");
    ui::restoreWindowState(dialog, ini, "ZjistiUzivatele", false);
    dialog.exec();
    (void)ui::saveWindowState(dialog, ini, "ZjistiUzivatele");
    return dialog.userName();
}

JokeWindow::JokeWindow(const std::string& joke1250, int milliseconds, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog) {
    setObjectName("VTIPY_W");
    auto* prompt = new QLabel(QStringLiteral("Vtip pro tuto chvíli:"), this);
    QFont bold = prompt->font();
    bold.setBold(true);
    prompt->setFont(bold);
    auto* text = new QLabel(ui::qtText(joke1250), this);
    text->setObjectName("joke");
    text->setWordWrap(true);
    text->setToolTip(QStringLiteral("text vtipu"));
    text->setMinimumWidth(360);
    text->setFrameShape(QFrame::StyledPanel);
    text->setMargin(8);
    auto* logo = new QLabel(this);
    logo->setPixmap(ui::icon(ui::IconKind::Program).pixmap(64, 64));
    auto* row = new QHBoxLayout;
    row->addWidget(logo, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(row);
    setStyleSheet("JokeWindow { border: 1px solid palette(dark); }");
    QTimer::singleShot(milliseconds, this, &QDialog::accept);
}

void JokeWindow::mousePressEvent(QMouseEvent*) {
    accept();
}

void JokeWindow::keyPressEvent(QKeyEvent*) {
    accept();
}

} // namespace zv::frame
