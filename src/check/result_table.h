// The check's result table KM (the articles that share a number) and the
// id holder TID.
#pragma once

#include "memtable.h"

#include <QString>

// One record id as decimal text, attached to each entry of the duplicate list.
class TID {
public:
    explicit TID(const QString &id) : ID(id) {}
    QString ID;
};

// KM: ID integer, BZ string 100, ARTN string 30, STK string 20, DEL
// boolean; append order, no index. Its Tag is the busy flag: 1 while a long
// operation runs.
class TResultTable : public TMemTable {
    Q_OBJECT
public:
    explicit TResultTable(TComponent *owner = nullptr);
    bool Busy() const { return Tag() == 1; }
    void SetBusy(bool busy) { SetTag(busy ? 1 : 0); }
};
