// Which controls the page shows for its station, and which of them may be
// used as the boxes stand.
#include "ui/settings/setting_dlg.h"

#include "config/setting_rules.h"
#include "config/setting_visibility.h"
#include "serial/serial_allocator.h"
#include "ui/captions.h"

#include <QAbstractButton>
#include <QGridLayout>

#include <initializer_list>
#include <vector>

namespace varnet::ui {
namespace {

// Every widget in the grid row of the given one (the row's caption included).
std::vector<QWidget*> RowOf(QWidget* widget) {
    auto* grid =
        widget->parentWidget() ? qobject_cast<QGridLayout*>(widget->parentWidget()->layout()) : nullptr;
    if (!grid)
        return {widget};
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
    std::vector<QWidget*> widgets;
    for (int c = 0; c < grid->columnCount(); ++c)
        if (QLayoutItem* item = grid->itemAtPosition(row, c); item && item->widget())
            widgets.push_back(item->widget());
    return widgets;
}

} // namespace

void CSettingDlg::ApplyVisibility() {
    const SettingItems items = VisibleItems(Station(), env.customer.CustomerCode(), Position(c.pretest));
    const auto show = [&](SettingItem item, std::initializer_list<QWidget*> rowsOf) {
        for (QWidget* control : rowsOf)
            for (QWidget* widget : RowOf(control))
                widget->setVisible(Has(items, item));
    };
    using enum SettingItem;
    show(kPretest, {c.pretest});
    show(kSetTotalSize, {c.setTotalSize});
    show(kUsePartial, {c.usePartial});
    show(kDdrSize, {c.ddrSize});
    show(kSataSpeed, {c.sataSpeed});
    show(kFlashClock, {c.flashClock});
    show(kInterface, {c.flashInterface});
    show(kSlcBuffer, {c.slcBuffer});
    show(kCheckRdt, {c.checkRdt});
    show(kRdtCycles, {c.rdt, c.cycleEnable, c.slcCycleEnable});
    show(kEccLimit, {c.eccLimit, c.eccThreshold, c.slcEccThreshold});
    show(kFailLimits, {c.laterBadLimit, c.failLimits[0], c.failLimits[1], c.failLimits[2], c.failLimits[3]});
    show(kReadRetry, {c.readRetry});
    show(kDevslp, {c.devslp});
    show(kSataSsc, {c.sataSsc});
    show(kPutThermal, {c.putThermal});
    show(kResetSmart, {c.resetSmart});
    show(kHardBitRetry, {c.hardBitRetry});
    show(kCtlOdtDriving, {c.ctlOdtDriving, c.padOdtEnable, c.padDriveEnable});
    show(kRdtLed, {c.rdtLed});
    show(kCloseSpeedOptimize, {c.closeSpeedOptimize});
    show(kWriteReadBurnIn, {c.writeReadBurnIn, c.burnInUnit});
    c.defineC7_0->setVisible(Has(items, kDefineC7));
    c.snGroup->setVisible(Has(items, kSnGroup));
    c.smartGroup->setVisible(Has(items, kSmartGroup));
    c.updateFwGroup->setVisible(Has(items, kUpdateFwGroup));
    c.rdtGroup->setVisible(Has(items, kRdtCycles) || Has(items, kEccLimit) || Has(items, kFailLimits));
    c.otherGroup->setVisible(Has(items, kDevslp) || Has(items, kSataSsc) || Has(items, kPutThermal) ||
                             Has(items, kResetSmart) || Has(items, kHardBitRetry) || Has(items, kReadRetry) ||
                             Has(items, kRdtLed) || Has(items, kCloseSpeedOptimize) ||
                             Has(items, kWriteReadBurnIn) || Has(items, kCtlOdtDriving));
}

void CSettingDlg::SetPageEditable(bool editable) {
    editMode = editable;
    for (QWidget* control : findChildren<QWidget*>()) {
        const bool input = qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                           qobject_cast<QAbstractButton*>(control);
        // "RDT" only shows the station's flag; "Edit" is the commands' to switch.
        if (input && control != c.rdt && control != c.edit)
            control->setEnabled(editable);
    }
    c.rdt->setEnabled(false);
    if (editable)
        ApplyEnableRules();
    else
        ApplySnSetState();
}

// Which dependent controls may be used, from the boxes as they stand. The
// boxes' effects change values; this alone decides the enabled states, so a
// fill, a click and an unlock always agree.
void CSettingDlg::ApplyEnableRules() {
    if (!editMode)
        return;
    const int station = Station();
    const int pretest = Position(c.pretest);

    const bool rdt = c.rdt->isChecked();
    const bool lockedCycles = env.debug.TestRDTCycle != 0;
    c.cycleEnable->setEnabled(rdt && !lockedCycles);
    c.slcCycleEnable->setEnabled(rdt && !lockedCycles);
    c.cycle->setEnabled(rdt);
    c.slcCycle->setEnabled(rdt);
    c.eccLimit->setEnabled(rdt);
    const bool ecc = rdt && c.eccLimit->isChecked();
    c.eccThreshold->setEnabled(ecc);
    c.slcEccThreshold->setEnabled(ecc);
    const bool limitsUsable = rdt || FailLimitsKeptWithoutRdt(station, pretest);
    c.laterBadLimit->setEnabled(limitsUsable);
    const bool limits = limitsUsable && c.laterBadLimit->isChecked();
    for (QComboBox* list : c.failLimits)
        for (QWidget* widget : RowOf(list))
            widget->setEnabled(limits);

    const bool sizeSet = c.setTotalSize->isChecked();
    c.setSizeGb->setEnabled(sizeSet);
    c.setSizeLba->setEnabled(sizeSet);
    c.checkRdt->setEnabled(!(station == kStationMp && pretest == 3));
    const bool pads = c.ctlOdtDriving->isChecked();
    c.padOdtEnable->setEnabled(pads);
    c.padDriveEnable->setEnabled(pads);
    c.padOdt->setEnabled(pads && c.padOdtEnable->isChecked());
    c.padDriving->setEnabled(pads && c.padDriveEnable->isChecked());
    const bool burnIn = c.writeReadBurnIn->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{c.burnInCapacity, c.burnInGb, c.burnInMb})
        control->setEnabled(burnIn);
    const bool fixedTemperature = !c.disableSmartC2->isChecked();
    c.fixedTemperature->setEnabled(fixedTemperature);
    c.fixedTemperatureValue->setEnabled(fixedTemperature);
    const bool ceMap = c.ceMapEnable->isChecked();
    for (size_t bit = 0; bit < c.ceBoxes.size(); ++bit)
        c.ceBoxes[bit]->setEnabled(ceMap && (record.CE_Mask >> bit & 1u));
    ShowDetectButtons();
    c.chooseUpdateImage->setEnabled(station == kStationUpdateFw);
    c.updateFw->setEnabled(station == kStationUpdateFw);
    c.rdt->setEnabled(false);
    ApplySnSetState();
}

void CSettingDlg::ApplySnSetState() {
    const bool snSet = c.snSet->isChecked();
    c.serialNumLabel->setText(Caption(snSet ? 146 : 165, uiLanguage));
    const bool usable = editMode && snSet;
    // Scanned numbers come from the scan list, so the range fields say nothing then.
    const bool rangeUsable = usable && c.snType->currentIndex() != static_cast<int>(SnType::ScanInput);
    c.snSet->setEnabled(editMode);
    c.snType->setEnabled(usable);
    c.snLen->setEnabled(rangeUsable);
    for (QLineEdit* field : c.snFields)
        field->setEnabled(rangeUsable);
    c.mes->setEnabled(usable);
}

} // namespace varnet::ui
