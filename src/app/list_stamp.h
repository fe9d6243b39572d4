#pragma once
// 操作时间 in a project list that the windows of the tool and runs without a window may change at
// the same time. Only a project still in the list is stamped: another run may have renamed or
// deleted it meanwhile, and a stamp would bring it back as a section without paths.
#include <string>

#include "run/backup_job.h"

class ListStamp : public OperationStamp {
   public:
    ListStamp(std::string list, std::string backup_root) : list_(std::move(list)), backup_root_(std::move(backup_root)) {}
    bool stamp(const std::string& project) override;

   private:
    std::string list_, backup_root_;
};
