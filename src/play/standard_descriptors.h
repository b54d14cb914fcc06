#pragma once
// Started with standard input, output or error closed (by a launcher, a service, `2>&-`), the
// next file a program opens takes that number: the show's X connection would receive its probe
// lines, the capture's video its progress. Each closed one is opened on the null device first.
//
//   open_standard_descriptors()   first thing in main; nothing on Windows

void open_standard_descriptors();
