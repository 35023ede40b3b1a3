// The "SN Set" group's range fields: their lengths shown beside them, and
// what a new length, a new type or a typed mask does to them.
#include "ui/settings/setting_dlg.h"

#include "config/setting_rules.h"
#include "serial/serial_allocator.h"
#include "ui/settings/sn_input_validator.h"

#include <algorithm>

namespace varnet::ui {
namespace {

bool IsScanInput(int snType) {
    return snType == static_cast<int>(SnType::ScanInput);
}

} // namespace

void CSettingDlg::ShowSnLengths() {
    for (size_t i = 0; i < c.snFields.size(); ++i)
        c.snLengthLabels[i]->setText(QStringLiteral("(%1)").arg(c.snFields[i]->text().size()));
}

SnRangeFields CSettingDlg::ShownSnFields() const {
    return {c.snFields[0]->text().toStdString(), c.snFields[1]->text().toStdString(),
            c.snFields[2]->text().toStdString()};
}

// Texts the page itself puts into the range fields; with "SN Set" the
// serial-number field follows SN Start as it does when SN Start is typed.
void CSettingDlg::ShowSnFields(const SnRangeFields& fields) {
    const std::string* texts[] = {&fields.start, &fields.end, &fields.mask};
    for (size_t i = 0; i < c.snFields.size(); ++i)
        if (c.snFields[i]->text().toStdString() != *texts[i])
            SetSnFieldText(i, QString::fromStdString(*texts[i]));
    if (c.snSet->isChecked())
        c.serialNum->setText(c.snFields[0]->text());
}

// What the page puts into a range field stays editable key by key, whatever
// characters it holds besides digits and letters.
void CSettingDlg::SetSnFieldText(size_t field, const QString& text) {
    snValidators[field]->KeepCharactersOf(text);
    c.snFields[field]->setText(text);
}

void CSettingDlg::ResizeSnFields(int snLen) {
    // Room first: a field cuts what is set beyond its limit from the end.
    for (QLineEdit* field : c.snFields)
        field->setMaxLength(std::max(snLen, field->maxLength()));
    ShowSnFields(SnFieldsForLength(ShownSnFields(), snLen, IsScanInput(c.snType->currentIndex())));
}

// The fields hold SN_Len characters: a new length refills them (a fill has
// set shownSnLen first, so the file's texts are shown as they are).
void CSettingDlg::OnSnLenChosen(int position) {
    const int snLen = kSnLenMin + std::max(position, 0);
    if (snLen != shownSnLen)
        ResizeSnFields(snLen);
    shownSnLen = snLen;
    for (QLineEdit* field : c.snFields)
        field->setMaxLength(snLen);
}

// Only the operator's choice rewrites the range fields; a fill shows the
// file's values as they are.
void CSettingDlg::OnSnTypeChosen(int type) {
    ShowSnFields(
        SnFieldsForTypeChange(ShownSnFields(), IsScanInput(shownSnType), IsScanInput(type), shownSnLen));
    shownSnType = type;
}

// The mask's fixed characters are the range's too.
void CSettingDlg::OnSnMaskEdited() {
    ShowSnFields(SnFieldsForMask(ShownSnFields()));
}

} // namespace varnet::ui
