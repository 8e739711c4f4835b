// A tree view's nodes as one line of text, so a test compares a whole tree in one expectation.
#pragma once

#include "platform/ui/tree_view.h"

#include <string>

/// The nodes by absolute index, each text led by a dot a level: "root .child ..grandchild". A node
/// whose own absolute index is not its place in the walk is marked "#", so a stale index shows
/// in the same text as a misplaced node.
inline std::string Outline(const zarix::TTreeNodes& nodes) {
    std::string out;
    for (int i = 0; i < nodes.Count(); ++i) {
        const zarix::TTreeNode* node = nodes.Item(i);
        out += (i ? " " : "") + std::string(static_cast<std::size_t>(node->Level()), '.') + node->Text();
        if (node->AbsoluteIndex() != i) out += "#";
    }
    return out;
}
