#include "ui/settings/setting_bindings.h"

#include "platform/text.h"
#include "ui/controls/my_edit.h"

#include <algorithm>
#include <climits>

namespace varnet::ui {

uint32_t NumberOf(const QLineEdit* field) {
    return ClampRangeValue(field->text(), 0, UINT32_MAX);
}

void SetPosition(QComboBox* list, int position) {
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : 0);
}

int Position(const QComboBox* list) {
    return std::max(list->currentIndex(), 0);
}

SettingBinding Bind(QCheckBox* box, FlagField field) {
    return {box, field, BindingKind::kCheck};
}

SettingBinding Bind(QLineEdit* text, TextField field) {
    return {text, field, BindingKind::kText};
}

SettingBinding Bind(QLineEdit* number, NumberField field, BindingKind kind) {
    return {number, field, kind};
}

SettingBinding Bind(QComboBox* list, FlagField field) {
    return {list, field, BindingKind::kPosition};
}

SettingBinding Bind(QComboBox* list, NumberField field) {
    return {list, field, BindingKind::kPosition};
}

std::vector<SettingBinding> PlainBindings(const SettingControls& c) {
    using R = ST_STATION_CONFIG;
    return {
        Bind(c.workingNo, TextOf<&R::WorkingNo>()),
        Bind(c.modelName, TextOf<&R::ModelName>()),
        Bind(c.serialNum, TextOf<&R::SerialNum>()),
        Bind(c.totalSize, &R::Flh_CapacitySel),
        Bind(c.ceNumber, &R::Flh_NumberSel),
        Bind(c.ddrSize, &R::DDRSize),
        Bind(c.usePartial, &R::UsePartialSize),
        Bind(c.checkRdt, &R::CheckRDTExist),
        Bind(c.devslp, &R::DEVSLP_Enable),
        Bind(c.sataSsc, &R::SATA_SSC_Enable),
        Bind(c.putThermal, &R::Put_Thermal_Sensor),
        Bind(c.hardBitRetry, &R::Do_HB_Set),
        Bind(c.hardBitRetryMode, &R::Do_Hard_Bit_Retry_Test),
        Bind(c.rdtLed, &R::RDTLED_StateSel),
        Bind(c.closeSpeedOptimize, &R::CloseSpeedOptimize),
        Bind(c.writeReadBurnIn, &R::wrBurnInEnable),
        Bind(c.burnInCapacity, &R::Capacity),
        Bind(c.disableSmart05, &R::DisableSmart05),
        Bind(c.disableSmartC2, &R::DisableSmartC2),
        Bind(c.disableSmartC4, &R::DisableSmartC4),
        Bind(c.disableSmartC7, &R::DisableSmartC7),
        Bind(c.enableSmartC3, &R::EnableSmartC3),
        Bind(c.defineA3PlaneBad, &R::DefineA3_PlaneBad),
        Bind(c.showCtlTemp, &R::ShowCTLTemp),
        Bind(c.fixedTemperatureValue, &R::Set_Custom_SMART_Temperature, BindingKind::kNonZeroText),
        Bind(c.bin1Flash, &R::HV_Flash),
        Bind(c.allEatRule, &R::ScanBad_CheckByDie),
        Bind(c.l06bToB0k, &R::L06B_To_B0K),
    };
}

namespace {

uint32_t ValueOf(const SettingBinding& b, const ST_STATION_CONFIG& record) {
    if (const auto* flag = std::get_if<FlagField>(&b.field))
        return record.**flag;
    if (const auto* number = std::get_if<NumberField>(&b.field))
        return record.**number;
    return 0;
}

void Store(const SettingBinding& b, ST_STATION_CONFIG& record, uint32_t value) {
    if (const auto* flag = std::get_if<FlagField>(&b.field))
        record.** flag = static_cast<uint8_t>(std::min<uint32_t>(value, UINT8_MAX));
    else if (const auto* number = std::get_if<NumberField>(&b.field))
        record.** number = value;
}

} // namespace

void FillBound(std::span<const SettingBinding> bindings, const ST_STATION_CONFIG& record) {
    for (const SettingBinding& b : bindings) {
        const uint32_t value = ValueOf(b, record);
        switch (b.kind) {
        case BindingKind::kCheck:
            static_cast<QAbstractButton*>(b.control)->setChecked(value != 0);
            break;
        case BindingKind::kText:
            static_cast<QLineEdit*>(b.control)->setText(
                QString::fromUtf8(FieldText(std::get<TextField>(b.field).shown(record))));
            break;
        case BindingKind::kNumber:
            static_cast<QLineEdit*>(b.control)->setText(QString::number(value));
            break;
        case BindingKind::kNonZeroText:
            static_cast<QLineEdit*>(b.control)->setText(value != 0 ? QString::number(value) : QString());
            break;
        case BindingKind::kPosition:
            SetPosition(static_cast<QComboBox*>(b.control), static_cast<int>(value));
            break;
        }
    }
}

void ReadBound(std::span<const SettingBinding> bindings, ST_STATION_CONFIG& record) {
    for (const SettingBinding& b : bindings) {
        switch (b.kind) {
        case BindingKind::kCheck:
            Store(b, record, static_cast<QAbstractButton*>(b.control)->isChecked() ? 1 : 0);
            break;
        case BindingKind::kText:
            SetFieldText(std::get<TextField>(b.field).of(record),
                         static_cast<QLineEdit*>(b.control)->text().toStdString());
            break;
        case BindingKind::kNumber:
        case BindingKind::kNonZeroText:
            Store(b, record, NumberOf(static_cast<QLineEdit*>(b.control)));
            break;
        case BindingKind::kPosition:
            Store(b, record, static_cast<uint32_t>(Position(static_cast<QComboBox*>(b.control))));
            break;
        }
    }
}

} // namespace varnet::ui
