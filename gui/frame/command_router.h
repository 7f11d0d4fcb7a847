// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <vector>

#include "core/document/cmd_ui.h"

// One link of the command chain (view, document, frame, application).
struct CommandTarget final {
    // Whether this object has a handler for the id.
    std::function<bool(int id)> handles;
    // Applies the object's update rule; false when it has none for the id.
    std::function<bool(int id, CCmdUI& ui)> update;
    // Runs the handler; only called for ids that handles() accepts. False
    // passes the command on along the chain.
    std::function<bool(int id)> execute;
};

// Routes commands along the chain in the order the targets were added: the
// first target that handles an id runs it. A command's state is the first
// update rule found along the chain; a command with a handler but no rule is
// enabled, and one that nobody handles is disabled.
class CCommandRouter final {
public:
    void AddTarget(CommandTarget target) { m_targets.push_back(std::move(target)); }

    CCmdUI State(int id) const;
    bool IsHandled(int id) const;

    // The execution guard: asks the rule once more and drops the command if
    // it is disabled. Returns whether a handler ran.
    bool Execute(int id);

private:
    std::vector<CommandTarget> m_targets;
};
