#include "ui/dialogs/about_dialog.h"

#include "platform/system_info.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace varnet::ui {
namespace {

constexpr const char* kVersion = "1.0.0";

} // namespace

CAboutDlg::CAboutDlg(int uiLanguage, QWidget* parent) : QDialog(parent) {
    const bool chinese = uiLanguage == kLanguageChinese;
    setWindowTitle(chinese ? QStringLiteral("关于 VarnetTool") : QStringLiteral("About VarnetTool"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    const QString version = QString::fromLatin1(kVersion);
    auto* name = new QLabel(chinese ? QStringLiteral("VarnetTool 版本 %1").arg(version)
                                    : QStringLiteral("VarnetTool, Version %1").arg(version),
                            this);
    name->setObjectName(QStringLiteral("versionLine"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    name->setFont(nameFont);
    auto* purpose = new QLabel(chinese ? QStringLiteral("固态硬盘量产工具")
                                       : QStringLiteral("Production tool for solid-state drives"),
                               this);
    auto* copyright = new QLabel(QStringLiteral("Copyright (C) Varnet"), this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(purpose);
    texts->addWidget(copyright);

    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addSpacing(12);
    body->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(chinese ? QStringLiteral("确认") : QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace varnet::ui
