// The page's controls to its commands and effects, and what each field
// accepts when typed into.
#include "ui/settings/setting_dlg.h"

#include "ui/settings/sn_input_validator.h"

#include <QRegularExpressionValidator>

#include <initializer_list>

namespace varnet::ui {

void CSettingDlg::Wire() {
    // A click's effect on values, then the enabled states that follow.
    const auto onClick = [this](QAbstractButton* box, void (CSettingDlg::*effect)(bool)) {
        connect(box, &QAbstractButton::clicked, this, [this, effect](bool checked) {
            (this->*effect)(checked);
            ApplyEnableRules();
        });
    };
    onClick(c.eccLimit, &CSettingDlg::EccEffect);
    onClick(c.laterBadLimit, &CSettingDlg::LaterBadEffect);
    onClick(c.setTotalSize, &CSettingDlg::SetTotalSizeEffect);
    onClick(c.modifyFirmwareName, &CSettingDlg::ModifyEffect);
    onClick(c.disableSmartC2, &CSettingDlg::SmartC2Effect);
    onClick(c.ctlOdtDriving, &CSettingDlg::CtlOdtEffect);
    onClick(c.ceMapEnable, &CSettingDlg::CeMapEffect);
    connect(c.l06bToB0k, &QCheckBox::clicked, this, &CSettingDlg::OnL06bToB0kSwitched);
    connect(c.usePartial, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked) {
            c.setTotalSize->setChecked(false);
            SetTotalSizeEffect(false);
        }
        ApplyEnableRules();
    });
    // The two C7 definitions contradict each other.
    connect(c.disableSmartC7, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked)
            c.defineC7_0->setChecked(false);
    });
    connect(c.defineC7_0, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked)
            c.disableSmartC7->setChecked(false);
    });
    for (QCheckBox* box : {c.padOdtEnable, c.padDriveEnable, c.writeReadBurnIn})
        connect(box, &QCheckBox::clicked, this, [this] { ApplyEnableRules(); });
    connect(c.pretest, &QComboBox::activated, this, [this](int position) {
        PretestEffect(position);
        ApplyEnableRules();
    });

    for (size_t i = 0; i < c.snFields.size(); ++i)
        connect(c.snFields[i], &QLineEdit::textChanged, this, &CSettingDlg::ShowSnLengths);
    connect(c.snLen, &QComboBox::currentIndexChanged, this, &CSettingDlg::OnSnLenChosen);
    connect(c.snFields[2], &QLineEdit::textEdited, this, &CSettingDlg::OnSnMaskEdited);
    connect(c.snSet, &QCheckBox::toggled, this, &CSettingDlg::ApplySnSetState);
    connect(c.snType, &QComboBox::currentIndexChanged, this, &CSettingDlg::ApplySnSetState);
    connect(c.snType, &QComboBox::activated, this, &CSettingDlg::OnSnTypeChosen);
    connect(c.snFields[0], &QLineEdit::textEdited, this, [this](const QString& text) {
        if (c.snSet->isChecked())
            c.serialNum->setText(text);
    });

    connect(c.save, &QPushButton::clicked, this, &CSettingDlg::OnSave);
    connect(c.saveAs, &QPushButton::clicked, this, &CSettingDlg::OnSaveAs);
    connect(c.edit, &QPushButton::clicked, this, &CSettingDlg::OnEdit);
    connect(c.testStation, &QComboBox::activated, this, &CSettingDlg::OnTestStationChosen);
    connect(c.flashConfig, &QComboBox::activated, this, &CSettingDlg::OnFlashConfigChosen);
    connect(c.defineStationNames, &QPushButton::clicked, this, &CSettingDlg::OnDefineStationNames);
    connect(c.mes, &QPushButton::clicked, this, &CSettingDlg::OnMes);
    connect(c.chooseUpdateImage, &QPushButton::clicked, this, &CSettingDlg::OnChooseUpdateImage);
    connect(c.detect, &QPushButton::clicked, this, &CSettingDlg::OnDetect);
    connect(c.manul, &QPushButton::clicked, this, &CSettingDlg::OnManul);

    const auto filter = [this](QLineEdit* field, const char* pattern) {
        field->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QString::fromUtf8(pattern)), this));
    };
    for (QLineEdit* field : {c.ddrSize, c.setSizeLba, c.cycle, c.slcCycle})
        filter(field, "[0-9]*");
    filter(c.setSizeGb, "[0-9.]*");
    // Typed serial numbers are digits and letters; the asterisks of Scan
    // Input are the page's own, put in while the fields are locked. A mask
    // marks its counted positions with '#', so '#' must be typeable there.
    const QString alsoTyped[] = {QString(), QString(), QStringLiteral("#")};
    for (size_t i = 0; i < c.snFields.size(); ++i) {
        snValidators[i] = new SnInputValidator(alsoTyped[i], this);
        c.snFields[i]->setValidator(snValidators[i]);
    }
}

} // namespace varnet::ui
