#pragma once
// The random user: a seeded generator of user actions on the real main window
// (and, when asked, a colleague's program committing its own changes between
// them), run against a fresh copy of the small known database, with the
// shadow model checked after every action and the database after every
// commit. A failing list can be run again exactly and shrunk to the
// shortest list that still fails the same way.

#include "tests/monkey/Action.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>

namespace veltor::test::monkey {

struct RunOptions {
    uint64_t seed = 1;
    int actions = 0;    // how many to generate (a replay runs its list)
    bool other = false; // the second program acts between the user's actions
    bool quiet = false; // no progress lines
};

struct Outcome {
    bool failed = false;
    QString category; // the kind of failure, what a shrunk list must still show
    QString details;
    ActionList done; // everything performed, up to the failing action
    int performed = 0;
    int commits = 0;  // commits checked against the database
    int refusals = 0; // error messages the user saw
    int posts = 0;    // inserts and updates the program reported done
    int deletes = 0;
    int marks = 0;                       // course marks kept
    std::map<QString, int> refusalTexts; // by their first words
    int otherCommits = 0;
    int otherRefusals = 0;
};

// Generates options.actions actions from the seed and runs them.
Outcome Generate(const RunOptions& options);
// Runs exactly this list.
Outcome Replay(const ActionList& list);
// Removes actions while the list still fails with the same category (delta
// debugging); gives up refining after budgetSeconds.
ActionList Shrink(const ActionList& failing, const QString& category, int budgetSeconds,
                  const std::function<void(const QString&)>& progress = {});

// What a failed run prints: the seed, the failure and the list.
QString Report(const Outcome& outcome, uint64_t seed);

} // namespace veltor::test::monkey
