// The plain fields of the Configuration page: one table of {control, field
// of ST_STATION_CONFIG, kind} that both the fill and the read walk, so a key
// shown as it is stored needs one line here and nothing in the fill or the
// read. Fields with a rule of their own (derived values, lists rebuilt per
// station, the SN group, effects of other boxes) are not in the table.
//
// GUI thread only; the table points into the page's controls and lives no
// longer than they do. Nothing here fails: a position outside a list shows
// the list's first entry, text that is no number reads as 0.
#pragma once

#include "config/station_config.h"
#include "ui/settings/setting_controls.h"

#include <span>
#include <variant>
#include <vector>

namespace varnet::ui {

enum class BindingKind {
    kCheck,       // check box <-> flag
    kText,        // text field <-> text field
    kNumber,      // text field <-> number
    kNonZeroText, // text field <-> number, empty for 0
    kPosition,    // list position <-> number
};

using FlagField = uint8_t ST_STATION_CONFIG::*;
using NumberField = uint32_t ST_STATION_CONFIG::*;
// The texts differ in size, so they are reached through functions that give
// the field as a span: TextOf<&ST_STATION_CONFIG::WorkingNo>().
struct TextField {
    std::span<char> (*of)(ST_STATION_CONFIG&);
    std::span<const char> (*shown)(const ST_STATION_CONFIG&);
};
template <auto Member> constexpr TextField TextOf() {
    return {[](ST_STATION_CONFIG& r) -> std::span<char> { return r.*Member; },
            [](const ST_STATION_CONFIG& r) -> std::span<const char> { return r.*Member; }};
}

struct SettingBinding {
    QWidget* control;
    std::variant<FlagField, NumberField, TextField> field;
    BindingKind kind;
};

// Typed makers: the control's type must fit the kind.
SettingBinding Bind(QCheckBox* box, FlagField field);
SettingBinding Bind(QLineEdit* text, TextField field);
SettingBinding Bind(QLineEdit* number, NumberField field, BindingKind kind = BindingKind::kNumber);
SettingBinding Bind(QComboBox* list, FlagField field);
SettingBinding Bind(QComboBox* list, NumberField field);

// The table of the page's plain fields.
std::vector<SettingBinding> PlainBindings(const SettingControls& c);

void FillBound(std::span<const SettingBinding> bindings, const ST_STATION_CONFIG& record);
void ReadBound(std::span<const SettingBinding> bindings, ST_STATION_CONFIG& record);

// Helpers the fill and the read share with the table.
uint32_t NumberOf(const QLineEdit* field);
void SetPosition(QComboBox* list, int position); // outside the list: the first entry
int Position(const QComboBox* list);             // nothing chosen: 0

} // namespace varnet::ui
