#pragma once
// Where a capture writes until it is complete, and how the finished file takes OUT's name. The
// file is written beside OUT (so on the same file system, where a rename is atomic) under a
// name of its own, OUT's stem then ".partial-XXXXXX" then OUT's extension, so that one a kill
// leaves behind still plays; whatever stands at OUT is untouched until the capture is complete.
// Each such file is locked while its capture runs, so that another capture of OUT can tell the
// ones left by a capture that died (leftovers) from one being written.
//
//   partial_create(target, error)  checks OUT (refused if it exists, without --force) and
//                                  creates the first partial file, locked
//   partial_another(target, made, error)   one more beside it (a copy being put in order)
//   partial_leftovers(target)      the other partial files of OUT that no capture holds
//   partial_settle(path, error)    on the disk, not just in the system's cache
//   partial_place(target, path, error)     the finished file takes OUT's name
//   partial_remove(path)           removes a file of ours that is no longer wanted
//   partial_keep(path)             leaves one for the user (it plays, but cannot be OUT)
//   partial_remove_all_now()       from a signal handler: removes every unfinished file

#include <string>
#include <vector>

struct PartialTarget {
    std::string out;  // OUT, as the messages name it
    bool force = false;
    std::string place;    // where the finished file goes: OUT, or where its links lead
    std::string partial;  // the first partial file
};

bool partial_create(PartialTarget& target, std::string& error);
bool partial_another(const PartialTarget& target, std::string& made, std::string& error);
std::vector<std::string> partial_leftovers(const PartialTarget& target);
bool partial_settle(const std::string& path, std::string& error);
bool partial_place(const PartialTarget& target, const std::string& path, std::string& error);
void partial_remove(const std::string& path);
void partial_keep(const std::string& path);
void partial_remove_all_now();
