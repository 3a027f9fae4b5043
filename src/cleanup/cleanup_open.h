// Opening the contact file for the checks that need it to themselves: the
// duplicate and state/ZIP checks reopen it exclusively in a table object of
// their own, restricted to the records without the deleted marker.
#pragma once

#include <QString>

namespace qv {

class TableObject;

QString ExclusiveOpenFailedMessage();

// Opens `fileName` exclusively into `table` and sets the query to the
// records without the deleted marker. False, after the message, when the
// file is missing or another program holds it.
bool OpenContactsExclusively(const QString& fileName, TableObject& table);

// Removes a work index file when it exists; false when it stays.
bool RemoveWorkIndex(const QString& path);

}  // namespace qv
