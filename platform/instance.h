// One program per user: a later start hands its documents to the program already running.
#pragma once

#include <string>
#include <vector>

// What a later start sent: its documents in order, or none when it only asked for the
// running program to come to the front.
using InstanceArrivalProc = void (*)(const std::vector<std::string>& documents);

// Joins the socket folder/name. Returns true when a program already listening there took
// the documents within answer_ms: this start should then end. Otherwise returns false and
// this program runs: it answers later starts from then on through `arrived`, taking over a
// socket that nothing listens on any more, or runs alone when the socket's owner does not
// answer (hung) or cannot be replaced.
bool instance_join(const std::string& folder, const std::string& name,
                   const std::vector<std::string>& documents, int answer_ms,
                   InstanceArrivalProc arrived);

// Stops answering later starts and removes the socket.
void instance_leave();

enum class HandOver {
    taken,      // the running program took the documents
    nobody,     // no program listens at the path
    no_answer,  // a program holds the socket but did not take them in time
};
// Offers the documents to the program listening at socket_path, waiting at most answer_ms
// in all. Needs no event loop: a start calls it before its own loop runs.
HandOver instance_hand_over(const std::string& socket_path,
                            const std::vector<std::string>& documents, int answer_ms);
