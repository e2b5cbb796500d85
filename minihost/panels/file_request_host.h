// minihost's headless "File Request".
//
// Nobody picks files at minihost's screen: every request is answered from a
// queue that tests or commands fill beforehand, a chosen file or a cancel;
// a request with nothing queued is cancelled. Every request is recorded, with
// what the module passed and what it was given.
#pragma once

#include <string>
#include <vector>

#include "host/messages_files.h"

namespace minihost {

class FileRequestAnswer {
public:
    // A path with a folder is taken as it is; a bare name goes into the
    // folder the module passed (the one it remembers from its last request).
    static FileRequestAnswer choose(std::string path);
    static FileRequestAnswer cancel();

    bool chooses() const { return chosen_; }
    const std::string &path() const { return path_; }

private:
    FileRequestAnswer(bool chosen, std::string path) : chosen_(chosen), path_(std::move(path)) {}
    bool chosen_;
    std::string path_;
};

struct RecordedFileRequest {
    std::string title;
    std::string pattern;  // the name buffer on entry: "<*.qvx", ">*.qvy", "<", ...
    std::string folder;   // the folder buffer on entry
    int bufferSize = 0;
    bool chosen = false;
    // What the module was given.
    std::string name, chosenFolder, fullPath;
    // Why a scripted choice was not given (it did not fit the buffers).
    std::string error;
};

// The service record handed to modules: the requester function itself.
FileRequestFunc *fileRequestFunc();
// Puts it into the registry under "File Request".
void installFileRequestService();

// Queues the answer to the next request (first queued, first used).
void scriptFileRequest(FileRequestAnswer answer);
int scriptedFileRequestsLeft();
// Requests since the last clear, oldest first.
std::vector<RecordedFileRequest> recordedFileRequests();
// Forgets the requests and the queued answers.
void clearFileRequests();

}  // namespace minihost
