// The caption table by number, in both languages, against the exact texts the
// screens must show.
#include "ui/captions.h"

#include <gtest/gtest.h>

#include <vector>

namespace varnet::ui {
namespace {

struct CaptionRow {
    int number;
    const char* english;
    const char* chinese; // the English text again where there is no Chinese form
};

const CaptionRow kExpected[] = {
    {101, "&About VarnetTool...", "&About VarnetTool..."},
    {131, "Start", "开始"},
    {132, "Refresh", "刷新"},
    {133, "Setting", "设定"},
    {134, "Chinese(P.R.C)", "简体中文"},
    {135, "Current Setting", "当前设定"},
    {136, "MP Setting", "MP 设定"},
    {137, "Standard Setting", "基本设定"},
    {138, "Get RDT Info", "获取RDT信息"},
    {139, "Test Station:", "测试站:"},
    {140, "Controller:", "主控型号:"},
    {141, "Flash Type:", "Flash类型:"},
    {142, "CE Number:", "CE数量:"},
    {143, "Total Size:", "总容量:"},
    {144, "Working Order:", "工作名称:"},
    {145, "Model Name:", "开卡名称:"},
    {146, "Start SN:", "起始序号:"},
    {147, "Save", "保存"},
    {148, "Save As", "另存为"},
    {149, "Device Size:", "设备尺寸:"},
    {150, "DDR Size:", "DDR大小:"},
    {151, "Set Total Size:", "自定义容量:"},
    {152, "Use Partial", "使用Partial容量"},
    {153, "SATA Speed:", "SATA速度:"},
    {154, "FW Version:", "韧体版本:"},
    {155, "Other Setting", "其他设定"},
    {156, "TLC/MLC Cycle:", "TLC/MLC 周期:"},
    {157, "SLC Cycle:", "SLC 周期:"},
    {158, "Loop", "圈"},
    {159, "SN Type:", "序号类型:"},
    {160, "SN Len:", "序号长度:"},
    {161, "SN Start:", "起始序号:"},
    {162, "SN End:", "结束序号:"},
    {163, "SN Mask:", "序号掩码:"},
    {164, "SN Set", "序号设定"},
    {165, "SN Fixed:", "固定序号:"},
    {166, "Auto++", "自动累加"},
    {167, "Random", "随机生成"},
    {168, "Scan Input", "扫描输入"},
    {169, "Scan", "扫描"},
    {170, "Modify", "修改"},
    {171, "SN Scan", "序号扫描"},
    {172, "Check RDT", "检查RDT表"},
    {173, "Put Thermal Sensor", "放置热传感器"},
    {174, "Reset SMART", "重置SMART"},
    {175, "Fixed Temperature:", "固定温度:"},
    {176, "Update FW", "更新FW"},
    {177, "Main", "主窗口"},
    {178, "Configuration", "参数设置"},
    {179, "RDT Info", "RDT信息"},
    {180, "Bad Table", "坏块表"},
    {181, "Edit", "编辑"},
    {182, "Quick Config", "快速配置"},
    {183, "Later Bad Limit", "Later Bad卡控"},
    {184, "Total Fail Limit:", "总 Later Bad 限制:"},
    {185, "Erase Fail Limit:", "Erase Fail 限制:"},
    {186, "Program Fail Limit:", "Program Fail 限制:"},
    {187, "Read Fail Limit:", "Read Fail 限制:"},
    {188, "Disable Smart-C2", "屏蔽Smart-C2"},
    {189, "Disable Smart-C7", "屏蔽Smart-C7"},
    {190, "L06B_To_B0K", "L06B转B0K"},
    {191, "ECC Limit", "ECC卡控"},
    {192, "Bad Block Info", "坏块信息"},
    {193, "Enable Smart-C3", "开启Smart-C3"},
    {194, "Define C7=0", "定义C7=0"},
    {195, "*Auto*", "*自动*"},
    {196, "Flash Config:", "闪存类型:"},
    {197, "Manul", "手动"},
    {198, "Disable Smart-05", "屏蔽Smart-05"},
    {199, "Disable Smart-C4", "屏蔽Smart-C4"},
    {200, "Detect", "侦测"},
    {201, "A3=PlaneBad", "A3=PlaneBad"},
    {202, "Close Speed Optimize", "关闭速度优化"},
    {203, "Define StationName", "自定义站别名称"},
    {204, "Lock", "锁定"},
    {205, "Cancel", "取消"},
    {206, "OK", "确认"},
    {207, "ON", "恒亮"},
    {208, "OFF", "恒暗"},
    {209, "Initialize INI", "初始化INI"},
    {210, "Fix Old SN", "保留旧序号"},
    {211, "Show CTL Temp", "C2显示主控温度"},
};

TEST(Captions, EveryNumberInEveryLanguage) {
    std::vector<int> numbers;
    for (const CaptionRow& row : kExpected) {
        numbers.push_back(row.number);
        SCOPED_TRACE(row.number);
        EXPECT_EQ(Caption(row.number, 0), QString::fromUtf8(row.english));
        EXPECT_EQ(Caption(row.number, 1), QString::fromUtf8(row.chinese));
        // Traditional Chinese is never selected for captions: English shows.
        EXPECT_EQ(Caption(row.number, 2), QString::fromUtf8(row.english));
    }
    EXPECT_EQ(CaptionNumbers(), numbers);
}

TEST(Captions, UnknownNumbersAndLanguagesFallBack) {
    for (int number : {0, 100, 102, 130, 212, -1})
        EXPECT_TRUE(Caption(number, 1).isEmpty()) << number;
    EXPECT_EQ(Caption(131, 7), QStringLiteral("Start"));
    EXPECT_EQ(Caption(131, -1), QStringLiteral("Start"));
}

} // namespace
} // namespace varnet::ui
