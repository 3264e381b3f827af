// The skin file beside the executable, applied through the form hook as a
// form's creation applies it: keys, class-wide fallbacks, invalid values,
// -1, case rules, and the name dump.
#include "color_wrapper.h"
#include "db_grid.h"
#include "exceptions.h"
#include "form_hook.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QFile>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// FMain owns Panel3, which holds the grid (the key still names the form
// and the grid: ownership depth does not enter it), and a label.
struct SkinForm {
    QWidget form;
    TI_DBGrid *grid;
    SkinForm() {
        form.setObjectName(QStringLiteral("FMain"));
        auto *panel = new QWidget(&form);
        panel->setObjectName(QStringLiteral("Panel3"));
        grid = new TI_DBGrid(panel);
        grid->setObjectName(QStringLiteral("DBGrid_ARTMAIN"));
        (new QLabel(&form))->setObjectName(QStringLiteral("rlb"));
        new QVBoxLayout(&form);  // unnamed: not a component of the skin
    }
};

class SkinTest : public ::testing::Test {
protected:
    // Other test programs beside this one may dump into the same folder.
    static QString Dump() { return QDir(SkinDumpFolder()).filePath(QStringLiteral("FMain-DEBUG.DAT")); }
    void TearDown() override {
        QFile::remove(SkinFileName());
        QFile::remove(Dump());
        QDir().rmdir(SkinDumpFolder());
    }
    static void WriteSkin(const QByteArray &text) {
        QFile file(SkinFileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
};

TEST_F(SkinTest, KeysFallbacksAndInvalidValues) {
    const struct {
        const char *name;
        const char *skin;  // nullptr: no skin file
        TColor color, fixedColor;
        int borderStyle;
    } cases[] = {
        {"no skin file: as designed", nullptr, clWindow, clBtnFace, bsSingle},
        {"own keys", "FMain.DBGrid_ARTMAIN|Color=$0000FF\r\nFMain.DBGrid_ARTMAIN|FixedColor=clYellow\r\n"
                     "FMain.DBGrid_ARTMAIN|BorderStyle=0\r\n",
         clRed, clYellow, bsNone},
        {"class-wide keys", "TI_DBGrid_Color=clYellow\nTI_DBGrid_FixedColor=255\nTI_DBGrid_BorderStyle=$0\n", clYellow,
         clRed, bsNone},
        {"own key before class key", "TI_DBGrid_Color=clYellow\nFMain.DBGrid_ARTMAIN|Color=clLime\n", clLime, clBtnFace,
         bsSingle},
        {"not a colour name: class key instead",
         "FMain.DBGrid_ARTMAIN|Color=clNotAColour\nTI_DBGrid_Color=clLime\n", clLime, clBtnFace, bsSingle},
        {"names ignore case, values keep it", "fmain.dbgrid_artmain|COLOR=CLAQUA\n", clAqua, clBtnFace, bsSingle},
        {"a space makes the colour name invalid", "FMain.DBGrid_ARTMAIN|Color= clRed\n", clWindow, clBtnFace, bsSingle},
        {"-1 counts as missing", "FMain.DBGrid_ARTMAIN|BorderStyle=-1\nTI_DBGrid_BorderStyle=0\n", clWindow, clBtnFace,
         bsNone},
        {"0 is a value", "FMain.DBGrid_ARTMAIN|BorderStyle=0\nTI_DBGrid_BorderStyle=1\n", clWindow, clBtnFace, bsNone},
        {"$FFFFFFFF is -1 too", "FMain.DBGrid_ARTMAIN|FixedColor=$FFFFFFFF\n", clWindow, clBtnFace, bsSingle},
        {"the first line wins", "FMain.DBGrid_ARTMAIN|Color=clRed\nFMain.DBGrid_ARTMAIN|Color=clLime\n", clRed,
         clBtnFace, bsSingle},
        {"a line without = is no key", "FMain.DBGrid_ARTMAIN|Color\nTI_DBGrid_Color=clTeal\n", clTeal, clBtnFace,
         bsSingle},
        {"system colours stay symbolic", "FMain.DBGrid_ARTMAIN|Color=clBtnFace\n", clBtnFace, clBtnFace, bsSingle},
        {"another form's key", "FOther.DBGrid_ARTMAIN|Color=clRed\n", clWindow, clBtnFace, bsSingle},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(SkinFileName());
        if (c.skin) WriteSkin(c.skin);
        SkinForm f;
        CallFormHook(&f.form, false);
        EXPECT_EQ(f.grid->Color(), c.color);
        EXPECT_EQ(f.grid->FixedColor(), c.fixedColor);
        EXPECT_EQ(f.grid->BorderStyle(), c.borderStyle);
    }
}

TEST_F(SkinTest, FormColourAndNameDump) {
    WriteSkin("DEBUGOUTPUT\r\nFMain|Color=clRed\r\n");
    SkinForm f;
    const QColor before = f.form.palette().color(QPalette::Window);
    CallFormHook(&f.form, false);
    EXPECT_NE(before, QColor(Qt::red));
    EXPECT_EQ(f.form.palette().color(QPalette::Window), QColor(Qt::red));

    QFile dump(Dump());
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    EXPECT_EQ(dump.readAll(), QByteArray("FMain.\r\nPanel3\r\nDBGrid_ARTMAIN\r\nrlb\r\n"));
    dump.close();

    // "DEBUGOUTPUT" must be the first line, exactly.
    QFile::remove(Dump());
    WriteSkin("debugoutput\r\nFMain|Color=clRed\r\n");
    SkinForm g;
    CallFormHook(&g.form, false);
    EXPECT_FALSE(QFile::exists(Dump()));
}

TEST(SkinValues, ColourAndNumberTexts) {
    const struct {
        const char *text;
        std::optional<TColor> colour;
        std::optional<qint32> number;
    } cases[] = {
        {"clRed", clRed, std::nullopt},       {"CLBTNFACE", clBtnFace, std::nullopt},
        {"$0000FF", 0x0000FF, 0xFF},          {"16744576", 0xFF8080, 16744576},
        {"0", 0, 0},                          {"-1", std::nullopt, std::nullopt},
        {"$FFFFFFFF", std::nullopt, std::nullopt}, {"$80000005", clWindow, qint32(0x80000005)},
        {"red", std::nullopt, std::nullopt},  {"", std::nullopt, std::nullopt},
        {" clRed", std::nullopt, std::nullopt}, {"12px", std::nullopt, std::nullopt},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(SkinColorValue(QString::fromLatin1(c.text)), c.colour) << c.text;
        EXPECT_EQ(SkinNumberValue(QString::fromLatin1(c.text)), c.number) << c.text;
    }
}

TEST(ForceDirectory, CreatesMissingParentsAndRefusesAnEmptyPath) {
    QTemporaryDir dir;
    const QString deep = dir.filePath(QStringLiteral("a/b/c/"));
    ForceDirectory(deep);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("a/b/c"))).isDir());
    try {
        ForceDirectory(QString());
        ADD_FAILURE() << "no error for an empty path";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Das Verzeichnis kann nicht erstellt werden"));
    }
}

}  // namespace
