#pragma once

#include <QString>

namespace orvex::db {

// Who the activity-log lines of a change are written for: the signed-in user and the
// workstation (CurrentUser::userId() and CurrentUser::workstation()).
struct LogIdentity
{
    QString user;
    QString workstation;
};

} // namespace orvex::db
