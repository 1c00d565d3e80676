#include "res/Templates.h"
#include "res/resource.h"

#define CTL TESSALINE_CTL
#define STATIC TESSALINE_STATIC

const DialogTemplate& DataLibraryDialogTemplate() {
    static const DialogTemplate tmpl{
        IDD_DATALIB_DIALOG,
        "数据分析设置",
        428,
        204,
        "宋体",
        9,
        {
            CTL(IDC_EXPECTED1, Edit, "", 40, 17, 253, 16),
            STATIC(GroupBox, "接收正确数据对比库", 7, 7, 414, 82),
            STATIC(GroupBox, "发送数据库", 7, 93, 414, 76),
            CTL(IDC_EXPECTED2, Edit, "", 40, 41, 253, 16),
            CTL(IDC_EXPECTED3, Edit, "", 40, 66, 253, 16),
            CTL(IDC_SEND1, Edit, "", 40, 105, 253, 16),
            CTL(IDC_SEND2, Edit, "", 40, 125, 253, 16),
            CTL(IDC_SEND3, Edit, "", 40, 145, 253, 16),
            CTL(IDC_SAVESEND1, PushButton, "保存", 383, 105, 31, 15),
            STATIC(Label, "备注", 300, 107, 18, 15),
            CTL(IDC_SENDMEMO1, Edit, "", 323, 105, 57, 16),
            STATIC(Label, "备注", 300, 127, 18, 15),
            STATIC(Label, "备注", 300, 147, 18, 11),
            CTL(IDC_SENDMEMO2, Edit, "", 323, 127, 57, 16),
            CTL(IDC_SENDMEMO3, Edit, "", 323, 147, 57, 16),
            CTL(IDC_SAVESEND2, PushButton, "保存", 383, 129, 31, 15),
            CTL(IDC_SAVESEND3, PushButton, "保存", 383, 151, 31, 15),
            STATIC(Label, "备注", 299, 22, 18, 15),
            STATIC(Label, "备注", 299, 43, 18, 15),
            STATIC(Label, "备注", 299, 63, 18, 11),
            CTL(IDC_EXPECTEDMEMO1, Edit, "", 323, 20, 57, 16),
            CTL(IDC_EXPECTEDMEMO2, Edit, "", 323, 42, 57, 16),
            CTL(IDC_EXPECTEDMEMO3, Edit, "", 323, 63, 57, 16),
            CTL(IDC_SAVEEXPECTED1, PushButton, "保存", 383, 18, 31, 15),
            CTL(IDC_SAVEEXPECTED2, PushButton, "保存", 383, 42, 31, 15),
            CTL(IDC_SAVEEXPECTED3, PushButton, "保存", 383, 64, 31, 15),
            CTL(IDC_EXPECTEDCHOICE1, RadioButton, "1", 15, 19, 19, 11, kStartsGroup),
            CTL(IDC_EXPECTEDCHOICE2, RadioButton, "2", 15, 42, 19, 12),
            CTL(IDC_EXPECTEDCHOICE3, RadioButton, "3", 15, 65, 19, 15),
            CTL(IDC_SENDCHOICE1, RadioButton, "1", 15, 105, 19, 13, kStartsGroup),
            CTL(IDC_SENDCHOICE2, RadioButton, "2", 15, 127, 19, 12),
            CTL(IDC_SENDCHOICE3, RadioButton, "3", 15, 149, 19, 12),
            CTL(IDC_SAVEDATA, PushButton, "保存数据", 176, 176, 69, 16),
        },
    };
    return tmpl;
}
