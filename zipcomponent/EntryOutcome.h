// What a writer or a reader did with one file, told by its Outcome hook right after the message
// that says it in words: whoever decides (a list of problems, a tool's output) reads this, never
// the message's wording.
#pragma once

namespace zipcomponent {

enum class EntryOutcome {
    Added,    // written into the archive, new or over an entry of the same name
    Replaced, // another file of the same change took its name: this one replaced it
    Skipped,  // passed over: the archive itself, or not a regular file
    Kept,     // an existing file left as it was by the overwrite rules
    Failed    // could not be read or written; the others go on
};

} // namespace zipcomponent
