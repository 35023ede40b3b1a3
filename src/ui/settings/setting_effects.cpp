// What the page's check boxes do to other controls' values, on the
// operator's click and when the fill sets them. Enabled states are
// ApplyEnableRules' alone.
#include "ui/settings/setting_dlg.h"

#include "config/setting_rules.h"
#include "platform/text.h"

namespace varnet::ui {

void CSettingDlg::RdtEffect(bool checked) {
    c.cycleEnable->setChecked(checked);
    c.slcCycleEnable->setChecked(checked);
    if (checked) {
        c.cycle->setText(CycleText(record.Cycle));
        c.slcCycle->setText(CycleText(record.Cycle_SLC));
        c.eccLimit->setChecked(record.Enable_ECCthreshold_MarkBad);
        EccEffect(record.Enable_ECCthreshold_MarkBad);
        c.laterBadLimit->setChecked(record.Byte_146);
        LaterBadEffect(record.Byte_146);
        return;
    }
    c.eccLimit->setChecked(false);
    EccEffect(false);
    const bool keepLimits = FailLimitsKeptWithoutRdt(Station(), Position(c.pretest)) && record.Byte_146;
    c.laterBadLimit->setChecked(keepLimits);
    LaterBadEffect(keepLimits);
}

void CSettingDlg::EccEffect(bool checked) {
    c.eccThreshold->setText(checked && record.ECCthreshold ? QString::number(record.ECCthreshold)
                                                           : QString());
    c.slcEccThreshold->setText(checked && record.SLCECCthreshold ? QString::number(record.SLCECCthreshold)
                                                                 : QString());
}

void CSettingDlg::LaterBadEffect(bool) {
    const uint32_t positions[] = {record.FailTotalLimitSel, record.FailEraseLimitSel,
                                  record.FailProgramLimitSel, record.FailReadLimitSel};
    for (size_t i = 0; i < c.failLimits.size(); ++i)
        SetPosition(c.failLimits[i], static_cast<int>(positions[i]));
}

void CSettingDlg::SetTotalSizeEffect(bool checked) {
    if (!checked) {
        c.setSizeGb->clear();
        c.setSizeLba->clear();
        return;
    }
    c.usePartial->setChecked(false);
    c.setSizeGb->setText(QString::fromUtf8(FieldText(record.setSSDSizeText)));
    if (c.setSizeGb->text().isEmpty() && record.SetSSDSize != 0)
        c.setSizeGb->setText(QString::number(record.SetSSDSize));
    c.setSizeLba->setText(record.SetSSDSizeLBA != 0 ? QString::number(record.SetSSDSizeLBA) : QString());
}

void CSettingDlg::ModifyEffect(bool checked) {
    const bool pafec = !checked && env.customer.CustomerCode() == 8 && Station() == kStationMp &&
                       pafecFlash && FieldText(record.SetFirmwareName).empty();
    if (pafec)
        c.fwVersion->setText(QStringLiteral("PAFEC1.0"));
    else
        c.fwVersion->setText(
            QString::fromUtf8(checked ? FieldText(record.SetFirmwareName) : FieldText(record.ICFWVersion)));
    c.fwVersion->setReadOnly(!checked);
}

void CSettingDlg::SmartC2Effect(bool checked) {
    if (checked) {
        c.fixedTemperature->setChecked(false);
        return;
    }
    if (record.Set_Custom_SMART_Temperature != 0) {
        c.fixedTemperature->setChecked(true);
        c.fixedTemperatureValue->setText(QString::number(record.Set_Custom_SMART_Temperature));
    }
}

void CSettingDlg::CtlOdtEffect(bool checked) {
    c.padOdtEnable->setChecked(checked && record.PadODTEnable);
    c.padDriveEnable->setChecked(checked && record.PadDriveEnable);
    SetPosition(c.padOdt, record.PadODT);
    SetPosition(c.padDriving, record.PadDriving);
}

void CSettingDlg::PretestEffect(int position) {
    if (Station() != kStationMp)
        return;
    if (position == 3) {
        c.laterBadLimit->setChecked(record.Byte_146);
        LaterBadEffect(record.Byte_146);
        c.checkRdt->setChecked(false);
    }
    ApplyVisibility();
}

void CSettingDlg::CeMapEffect(bool checked) {
    for (size_t bit = 0; bit < c.ceBoxes.size(); ++bit) {
        const bool present = record.CE_Mask >> bit & 1u;
        const bool chosen = record.SetCEMask == 0 || (record.SetCEMask >> bit & 1u);
        c.ceBoxes[bit]->setChecked(checked && present && chosen);
    }
}

} // namespace varnet::ui
