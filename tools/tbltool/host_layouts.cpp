#include "host_layouts.h"

#include "engine_session.h"
#include "text_codec.h"
#include "tool_error.h"

#include <QDir>
#include <QFileInfo>

namespace tbltool {

const char *const kArticleTable = "ArtikelMain.TBL";
const char *const kBookingTable = "Artikelsub.TBL";
const char *const kSetupTable = "setup.TBL";

const std::vector<TableLayout> &hostLayouts() {
    static const std::vector<TableLayout> layouts = {
        {kArticleTable,
         "ID,AutoInc;BZK,String,50;BZL,String,50;LFT,Memo;BST,Double;EKEU,Double;VKEU,Double;"
         "MWST,Double;MEM,Memo;ARTN,String,50;EINH,String,15;GRUP,ShortInt;CFAC,Double;"
         "MATCH0,String,50;MATCH1,String,10;MATCH2,String,10;MATCH3,String,10;MATCH4,String,10;"
         "LAART,Logical;BSTN,String,50;SRNS,Memo;GEK,CurDouble;MinEK,CurDouble;MaxEK,CurDouble;"
         "GSTEK,CurDouble;GSTVK,Double;GVK,Double;MinVK,Double;MaxVK,Double;MiddVK,Double;"
         "DEZ,ShortInt;MiddEK,Double",
         {
             {"ID", "ID", DBE_INDEX_UNIQUE},
             {"BZK", "BZK", 0},
             {"BZL", "BZL", 0},
             {"ARTN", "ARTN", 0},
             {"MATCH0", "MATCH0;MATCH1;MATCH2;MATCH3;MATCH4", 0},
             {"LAART", "LAART", 0},
             {"GRUP", "GRUP", 0},
         }},
        {kBookingTable, "ID,AutoInc;ID_ART,Integer;STK,Double", {{"ID_ART", "ID_ART", 0}}},
        {kSetupTable,
         "ID,AutoInc;Ident,Integer;MemoItem,Memo;stringItem,String,100;logo,Binary",
         {{"IDENT", "Ident", 0}}},
    };
    return layouts;
}

void createHostTables(const QString &folder) {
    const QDir dir(folder);
    for (const auto &layout : hostLayouts()) {
        const QString path = dir.filePath(QString::fromLatin1(layout.file));
        if (QFileInfo::exists(path)) throw ToolError(QStringLiteral("%1 exists already").arg(path));
    }
    if (!QDir().mkpath(folder)) throw ToolError(QStringLiteral("cannot create %1").arg(folder));

    Connection connection(QFileInfo(folder).absoluteFilePath());
    for (const auto &layout : hostLayouts()) {
        const QString path =
            QFileInfo(dir.filePath(QString::fromLatin1(layout.file))).absoluteFilePath();
        Table table = Table::create(connection, path, QString::fromLatin1(layout.fields));
        for (const auto &index : layout.indexes) {
            DBEHANDLE handle = 0;
            checkEngine(Dbe().DbeCreateIndex(table.handle(), index.tag, index.expression,
                                             index.options, &handle),
                        QStringLiteral("cannot create the index tag %1 of %2")
                            .arg(QString::fromLatin1(index.tag), path));
        }
    }
}

} // namespace tbltool
