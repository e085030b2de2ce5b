#pragma once

// A command for one document window, with everything it needs to run: the menus and buttons post
// it, the window queues it and runs it once, in the order posted, after the posting handler has
// returned and any menu has closed.

#include "document/Tags.h"

#include <QString>
#include <utility>

namespace quarbel::panes {

struct Command {
    Command() = default;
    // Implicit: a bare tag is a command without arguments.
    Command(document::CommandTag tag, document::PicSource source = document::PicSource::None, // NOLINT
            QString openPicCode = {})
        : tag(tag), source(source), openPicCode(std::move(openPicCode)) {}

    document::CommandTag tag = document::CommandTag::None;
    // Insertions: where the picture comes from (a file, the document being opened, the clipboard
    // for the pane it names).
    document::PicSource source = document::PicSource::None;
    // MDImnuOpen: which of the opened document's pictures to load, as the letters D, F, S.
    QString openPicCode;

    bool operator==(const Command& other) const = default;
};

} // namespace quarbel::panes
