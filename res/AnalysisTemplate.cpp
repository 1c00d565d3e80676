#include "res/Templates.h"
#include "res/resource.h"
#include "serial/SerialControlClass.h"

#define CTL TESSALINE_CTL
#define STATIC TESSALINE_STATIC

const DialogTemplate& AnalysisDialogTemplate() {
    static const DialogTemplate tmpl{
        IDD_ANALYSIS_DIALOG,
        "Tessaline 2.0",
        454,
        250,
        "宋体",
        9,
        {
            CTL(IDC_MSCOMM, ControlSite, kSerialControlClass, 21, 130, 25, 25),
            STATIC(GroupBox, "串口设置", 7, 7, 88, 236),
            STATIC(Label, "串口端口", 14, 30, 34, 10),
            STATIC(Label, "波特率", 14, 49, 28, 10),
            STATIC(Label, "校验", 14, 68, 27, 10),
            STATIC(Label, "数据位", 14, 87, 29, 10),
            STATIC(Label, "停止位", 14, 106, 29, 10),
            STATIC(Label, "流控制", 14, 125, 28, 10),
            CTL(IDC_OPEN, PushButton, "OPEN", 14, 157, 30, 17),
            CTL(IDC_PORT, DropDownList, "", 50, 29, 42, 45),
            CTL(IDC_BAUDRATE, DropDownList, "", 50, 48, 42, 57),
            CTL(IDC_PARITY, DropDownList, "", 50, 67, 42, 50),
            CTL(IDC_DATABITS, DropDownList, "", 50, 86, 42, 40),
            CTL(IDC_STOPBITS, DropDownList, "", 50, 105, 42, 52),
            CTL(IDC_FLOWCONTROL, DropDownList, "", 50, 124, 42, 49),
            STATIC(GroupBox, "数据接收分析区", 98, 7, 349, 159),
            STATIC(GroupBox, "数据发送区", 98, 187, 349, 56),
            CTL(IDC_SENDTEXT, Edit, "", 103, 202, 336, 17),
            CTL(IDC_MANUALSEND, PushButton, "手动发送", 159, 225, 45, 14),
            CTL(IDC_AUTOSEND, PushButton, "自动发送", 215, 226, 45, 13),
            STATIC(Label, "自动发送周期", 265, 227, 55, 12),
            CTL(IDC_SENDPERIOD, Edit, "", 318, 225, 33, 14),
            STATIC(Label, "毫秒MS", 359, 228, 28, 11),
            CTL(IDC_STOPSEND, PushButton, "停止发送", 395, 225, 44, 14),
            CTL(IDC_RECEIVETEXT, MultiLineEdit, "", 102, 20, 339, 81),
            CTL(IDC_CLOSE, PushButton, "CLOSE", 61, 157, 28, 17),
            STATIC(Label, "[数据对比结果（正确显示GOOD）]：", 166, 106, 131, 12),
            STATIC(Label, "已过滤的数据", 103, 124, 54, 12),
            STATIC(Label, "正确对比数据", 103, 143, 51, 11),
            CTL(IDC_FILTERED, Edit, "", 157, 119, 283, 17),
            CTL(IDC_EXPECTED, Edit, "", 157, 140, 284, 18),
            CTL(IDC_RECEIVEHEX, CheckBox, "16进制模式", 103, 105, 58, 11),
            CTL(IDC_SENDHEX, CheckBox, "16进制模式", 103, 227, 52, 12),
            CTL(IDC_RESULT, Label, "", 308, 105, 51, 10),
            CTL(IDC_DATALIB, PushButton, "收发数据库设置", 205, 169, 66, 15),
            STATIC(Label, "版本 V2.0", 12, 210, 44, 11),
        },
    };
    return tmpl;
}
