// FillPage: the record onto the controls. The plain fields come from the
// binding table; what follows here are the fields with a rule of their own.
#include "ui/settings/setting_dlg.h"

#include "config/setting_rules.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "ui/captions.h"
#include "ui/settings/sn_input_validator.h"

#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

namespace varnet::ui {
namespace {

// A list of long entries is at least as wide as its widest entry, so the
// chosen one is read whole (the page's other columns give way first).
void FitWidestEntry(QComboBox* list) {
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(list->itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QSize text(widest, list->fontMetrics().height());
    list->setMinimumWidth(list->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, list).width());
}

} // namespace

void CSettingDlg::RebuildStationList() {
    const int selected = c.testStation->currentIndex();
    c.testStation->clear();
    for (int station = 1; station <= kStationCount; ++station)
        c.testStation->addItem(
            QString::fromStdString(Format("%02d_%s", station, names.Get(station).c_str())));
    if (selected >= 0)
        c.testStation->setCurrentIndex(selected);
}

void CSettingDlg::RebuildPretestList(int station, int pretestType) {
    c.pretest->clear();
    QStringList entries{"0.Reference Original Bad", "1.Don't Reference Original Bad"};
    if (station == kStationMp)
        entries << "2.Reference RunTime Bad"
                << "3.Reference RDT Bad";
    else if (station != kStationEraseAll && station != kStationRdt)
        return;
    c.pretest->addItems(entries);
    FitWidestEntry(c.pretest);
    c.pretest->setCurrentIndex(pretestType % static_cast<int>(entries.size()));
}

void CSettingDlg::RebuildFlashList(bool b0kOnly) {
    c.flashConfig->clear();
    if (!env.flashDatabase)
        return;
    for (const ST_SSD_FLASH_PARAM& flash : env.flashDatabase->Records()) {
        if (b0kOnly && FieldText(flash.name).find("B0K") == std::string_view::npos)
            continue;
        c.flashConfig->addItem(QString::fromStdString(ConfigurationLabel(flash)));
    }
    FitWidestEntry(c.flashConfig);
}

void CSettingDlg::RebuildSlcList(int storedPosition) {
    c.slcBuffer->clear();
    c.slcBuffer->addItems({Caption(195, uiLanguage), "0GB", "3GB", "6GB", "12GB", "20GB"});
    // The large pools only exist on a large drive whose user size is not cut down.
    const bool large = SlcLargeEntriesAllowed(record.Flh_Capacity, record.SetSSDSize);
    if (large)
        c.slcBuffer->addItems({"40GB", "340GB"});
    SetPosition(c.slcBuffer, storedPosition > kSlcLargestSmallEntry && !large ? 0 : storedPosition);
}

QString CSettingDlg::CycleText(uint32_t cycle) const {
    if (env.debug.TestRDTCycle != 0)
        return QString::number(cycle);
    return QString::number(cycle < 2 ? 1 : cycle);
}

void CSettingDlg::FillPage(const ST_STATION_CONFIG& source) {
    if (&source != &record)
        record = source;
    const ST_STATION_CONFIG& r = record;
    if (editMode)
        SetPageEditable(true);

    RebuildStationList();
    c.testStation->setCurrentIndex(std::min<int>(r.TestStationSel, kStationCount - 1));
    const int station = Station();
    RebuildPretestList(station, r.PretestType);

    RebuildFlashList(r.L06B_To_B0K != 0);
    c.flashConfig->setCurrentIndex(c.flashConfig->findText(QString::fromUtf8(FieldText(r.ID))));
    c.updateFw->setText(station == kStationUpdateFw ? QString::fromUtf8(FieldText(r.UpdateFW)) : QString());

    const bool ownFirmwareName = !FieldText(r.SetFirmwareName).empty();
    c.modifyFirmwareName->setChecked(ownFirmwareName);
    ModifyEffect(ownFirmwareName);
    c.controller->clear();
    c.controller->addItem(env.customer.CustomerCode() == 8 ? "KV7041-S01" : "QC7720");
    c.deviceSize->setCurrentIndex(0);
    for (int i = 0; i < c.deviceSize->count(); ++i)
        if (FieldText(r.SSDSize).find(c.deviceSize->itemText(i).toStdString()) != std::string_view::npos) {
            c.deviceSize->setCurrentIndex(i);
            break;
        }

    const bool sizeSet = r.SetSSDSize != 0 || r.SetSSDSizeLBA != 0;
    c.setTotalSize->setChecked(sizeSet);
    SetTotalSizeEffect(sizeSet);
    SetPosition(c.sataSpeed, r.SATASpeed == 0 ? 2 : (r.SATASpeed - 1) % 3);

    // "RDT" shows whether the station runs the burn-in.
    bool rdt = r.Do_RDT != 0 || station == kStationRdt;
    if (!rdt && flashFamily == 25)
        rdt = station == kStationRdtResult || (station == kStationMp && r.PretestType == 3);
    c.rdt->setChecked(rdt);
    RdtEffect(rdt);
    SetPosition(c.readRetry, rdt ? r.ReadRetrySel : 0);

    c.flashClock->clear();
    c.flashClock->addItems(env.customer.Byte(37) ? QStringList{"100MHz", "150MHz", "200MHz"}
                                                 : QStringList{"100MHz", "200MHz"});
    c.flashClock->setCurrentIndex(
        std::max(c.flashClock->findText(QStringLiteral("%1MHz").arg(r.FlashClock)), 0));
    c.flashInterface->setCurrentIndex(InterfacePositionOf(r.FlashInterface));

    // Everything shown as it is stored, after the effects above, which may
    // clear some of it ("Use Partial" under "Set Total Size:").
    FillBound(bindings, r);
    // The two C7 definitions contradict each other; "Disable" wins.
    c.defineC7_0->setChecked(r.DefineC7_0 && !r.DisableSmartC7);
    // Shown as stored everywhere, read back only where the station shows it.
    c.resetSmart->setChecked(r.AfterMPDoResetSMART != 0);
    if (r.DisableSmartC7)
        record.DefineC7_0 = 0;

    const int snLen = record.SN_Len >= kSnLenMin && record.SN_Len <= kSnLenMax
                          ? static_cast<int>(record.SN_Len)
                          : kSnLenMin;
    shownSnLen = snLen;
    c.snLen->setCurrentIndex(snLen - kSnLenMin);
    c.snType->setCurrentIndex(record.SN_Type < c.snType->count() ? record.SN_Type : 0);
    shownSnType = c.snType->currentIndex();
    const std::string_view texts[] = {FieldText(record.SN_Start), FieldText(record.SN_End),
                                      FieldText(record.SN_Mask)};
    for (size_t i = 0; i < c.snFields.size(); ++i) {
        c.snFields[i]->setMaxLength(snLen);
        SetSnFieldText(i, QString::fromUtf8(texts[i]));
    }
    c.snSet->setChecked(record.SN_Set != 0);

    RebuildSlcList(static_cast<int>(r.SLCPoolSizeSel));
    const uint32_t slcPe = r.infoBlock291 * 256 + r.infoBlock290;
    c.slcPoolPe->setText(slcPe != 0 ? QString::number(slcPe) : QString());

    const bool retention =
        r.Retention_Test != 0 && (station == kStationRdt || station == kStationMp || station == kStationIct);
    c.retentionTest->setChecked(retention);
    SetPosition(c.retentionMode, retention ? r.Retention_Test - 1 : 0);
    // A Bin1 part is burnt in for at least two loops unless the customer says otherwise.
    if (r.HV_Flash)
        c.cycle->setText(QString::number(r.Cycle == 0 && env.customer.CustomerCode() != 2 ? 2 : r.Cycle));
    const bool pads = r.PadODTEnable || r.PadDriveEnable;
    c.ctlOdtDriving->setChecked(pads);
    CtlOdtEffect(pads);
    c.ceMapEnable->setChecked(r.EnableCEMask != 0);
    CeMapEffect(r.EnableCEMask != 0);
    (r.SetCapacity == 2 ? c.burnInMb : c.burnInGb)->setChecked(true);
    // The fixed temperature follows "Disable Smart-C2" as a click would.
    c.fixedTemperature->setChecked(r.Enable_Set_Custom_SMART_Temperature && !r.DisableSmartC2);

    ApplyVisibility();
    if (editMode)
        ApplyEnableRules();
    else
        SetPageEditable(false);
    ShowSnLengths();
}

} // namespace varnet::ui
