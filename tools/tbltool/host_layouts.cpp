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

namespace {

bool serverTableExists(Connection &connection, const QString &path) {
    const QByteArray name = toWindows1252OrThrow(path, QStringLiteral("the table path"));
    DBEHANDLE table = 0;
    const DBESTATUS status = Dbe().DbeOpenTable(connection.handle(), name.constData(), nullptr,
                                                DBE_TBL, 0, 0, 0, DBE_READONLY, &table);
    if (status == DBE_E_TABLE_NOT_FOUND) return false;
    checkEngine(status, QStringLiteral("cannot look for %1").arg(path));
    Dbe().DbeCloseTable(table);
    return true;
}

} // namespace

void createHostTables(const Place &place) {
    if (!place.server) {
        for (const auto &layout : hostLayouts()) {
            const QString path = place.tablePath(QString::fromLatin1(layout.file));
            if (QFileInfo::exists(path))
                throw ToolError(QStringLiteral("%1 exists already").arg(path));
        }
        if (!QDir().mkpath(place.connectPath))
            throw ToolError(QStringLiteral("cannot create %1").arg(place.connectPath));
    }

    Connection connection(place);
    // A server has no folder to look into; asking it first keeps a refusal
    // from leaving some of the tables behind.
    if (place.server)
        for (const auto &layout : hostLayouts()) {
            const QString path = place.tablePath(QString::fromLatin1(layout.file));
            if (serverTableExists(connection, path))
                throw ToolError(QStringLiteral("%1 exists already").arg(path));
        }
    for (const auto &layout : hostLayouts()) {
        const QString path = place.tablePath(QString::fromLatin1(layout.file));
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
