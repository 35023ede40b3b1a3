// ReadPage: the controls back into the record, at Save and Save As. The
// plain fields go through the binding table; the derived values follow the
// save rules of config/setting_rules.h.
#include "ui/settings/setting_dlg.h"

#include "config/setting_ce_map.h"
#include "config/setting_rules.h"
#include "platform/text.h"
#include "ui/controls/my_edit.h"

#include <algorithm>
#include <climits>

namespace varnet::ui {

void CSettingDlg::ReadPage(ST_STATION_CONFIG& out) const {
    ReadControls(out, true);
}

void CSettingDlg::ReadControls(ST_STATION_CONFIG& r, bool withMessages) const {
    const auto checked = [](const QAbstractButton* box) -> uint8_t { return box->isChecked() ? 1 : 0; };
    const int station = Station();

    ReadBound(bindings, r);
    r.TestStationSel = static_cast<uint8_t>(station);
    // The shown "PAFEC1.0" is the save rule's, not a version the operator gave.
    const bool modify = c.modifyFirmwareName->isChecked();
    const bool pafecShown = !modify && c.fwVersion->text() == "PAFEC1.0" && pafecFlash &&
                            FieldText(record.ICFWVersion) != "PAFEC1.0";
    if (modify) {
        SetFieldText(r.SetFirmwareName, c.fwVersion->text().toStdString());
    } else {
        if (!pafecShown)
            SetFieldText(r.ICFWVersion, c.fwVersion->text().toStdString());
        SetFieldText(r.SetFirmwareName, "");
    }
    SetFieldText(r.ControllerType, env.customer.CustomerCode() == 8 ? "KV7041-S01" : "SSD-7720VA");
    SetFieldText(r.SSDSize, c.deviceSize->currentText().toStdString());
    r.PMASetting = PmaSettingFor(Position(c.deviceSize));

    if (const auto mb = CapacityMbOfEntry(c.totalSize->currentText().toStdString());
        mb && r.Flh_CapacitySel != 0)
        r.Flh_Capacity = *mb;
    if (r.Flh_NumberSel != 0)
        r.Flh_Number = r.Flh_NumberSel;
    if (c.setTotalSize->isChecked()) {
        SetFieldText(r.setSSDSizeText, c.setSizeGb->text().toStdString());
        r.SetSSDSize = NumberOf(c.setSizeGb);
        r.SetSSDSizeLBA = static_cast<int32_t>(std::min<uint32_t>(NumberOf(c.setSizeLba), INT32_MAX));
    } else {
        SetFieldText(r.setSSDSizeText, "");
        r.SetSSDSize = 0;
        r.SetSSDSizeLBA = 0;
    }
    r.SATASpeed = Position(c.sataSpeed) + 1;
    r.FlashInterface = InterfaceCodeOf(Position(c.flashInterface));
    r.FlashClock = ClampRangeValue(c.flashClock->currentText(), 0, UINT32_MAX);
    SetFieldText(r.UpdateFW, station == kStationUpdateFw ? c.updateFw->text().toStdString() : std::string());

    r.Do_RDT = checked(c.rdt);
    r.Enable_Set_Cycle = checked(c.cycleEnable);
    r.Cycle = NumberOf(c.cycle);
    r.Enable_Set_Cycle_SLC = checked(c.slcCycleEnable);
    r.Cycle_SLC = NumberOf(c.slcCycle);
    // Cleared, "ECC Limit" empties its fields, and the save then removes the
    // thresholds with their enable.
    r.Enable_ECCthreshold_MarkBad = checked(c.eccLimit);
    r.ECCthreshold = NumberOf(c.eccThreshold);
    r.SLCECCthreshold = NumberOf(c.slcEccThreshold);
    r.Byte_146 = checked(c.laterBadLimit);
    uint8_t* limits[] = {&r.Byte_101, &r.Byte_147, &r.Byte_148, &r.Byte_149};
    uint32_t* positions[] = {&r.FailTotalLimitSel, &r.FailEraseLimitSel, &r.FailProgramLimitSel,
                             &r.FailReadLimitSel};
    for (size_t i = 0; i < c.failLimits.size(); ++i) {
        const int p = Position(c.failLimits[i]);
        *positions[i] = static_cast<uint32_t>(p);
        *limits[i] = FailLimitOfPosition(p);
    }
    r.ReadRetrySel = static_cast<uint8_t>(Position(c.readRetry));

    r.SN_Set = checked(c.snSet);
    r.SN_Type = static_cast<uint8_t>(std::max(c.snType->currentIndex(), 0));
    r.SN_Len = static_cast<uint32_t>(kSnLenMin + std::max(c.snLen->currentIndex(), 0));
    std::array<char, 64>* snTexts[] = {&r.SN_Start, &r.SN_End, &r.SN_Mask};
    for (size_t i = 0; i < c.snFields.size(); ++i)
        SetFieldText(*snTexts[i], c.snFields[i]->text().toStdString());

    if (station == kStationReMp)
        r.AfterMPDoResetSMART = checked(c.resetSmart);
    r.SetCapacity = c.burnInMb->isChecked() ? 2 : 1;
    const bool pads = c.ctlOdtDriving->isChecked();
    r.PadODTEnable = pads ? checked(c.padOdtEnable) : 0;
    r.PadDriveEnable = pads ? checked(c.padDriveEnable) : 0;
    r.PadODT = static_cast<uint8_t>(r.PadODTEnable ? Position(c.padOdt) : 0);
    r.PadDriving = static_cast<uint8_t>(r.PadDriveEnable ? Position(c.padDriving) : 0);
    r.padDrive.fill(r.PadDriving);
    r.DefineC7_0 = checked(c.defineC7_0);
    r.Enable_Set_Custom_SMART_Temperature = checked(c.fixedTemperature);
    r.Retention_Test = c.retentionTest->isChecked() ? static_cast<uint8_t>(Position(c.retentionMode) + 1) : 0;

    const SlcChoice slc = SlcChoiceOf(Position(c.slcBuffer), r.Flh_Capacity, r.SetSSDSize);
    r.SLCPoolSizeSel = slc.sel;
    r.SLCPoolSize = slc.size;
    if (slc.fellBackToAuto && withMessages) {
        c.slcBuffer->setCurrentIndex(0);
        Tell(QStringLiteral("Unexpected problem may arise,when SLC buf is 40 GB but SSD size less than "
                            "120GB. \r\nSLC buf will set as auto."));
    }

    ApplyBin1FlashRule(r, station, flashFamily);
    r.PretestType = static_cast<uint8_t>(Position(c.pretest));
    ApplyEraseRule(r, station, flashFamily, makerCode);

    r.EnableCEMask = checked(c.ceMapEnable);
    if (r.EnableCEMask) {
        r.SetCEMask = 0;
        for (size_t bit = 0; bit < c.ceBoxes.size(); ++bit)
            if (c.ceBoxes[bit]->isChecked())
                r.SetCEMask |= 1u << bit;
        if (const auto problem = CheckCeMap(r.SetCEMask, flashFamily); problem && withMessages)
            Tell(QString::fromStdString(*problem));
    }
}

} // namespace varnet::ui
