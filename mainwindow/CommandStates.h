// Which archive commands are enabled in which state of the main window.
#pragma once

// SelfExtracting: a self-extracting program opened as an archive, read only.
enum class ArchiveState { NoArchive, Archive, ArchiveAfterChange, NewArchive, SelfExtracting };

// Every member defaults to disabled; a state names only what it enables.
struct CommandStates {
    bool extract = false, add = false, remove = false, autoExtract = false; // menu entries
    bool button3 = false, button4 = false, button5 = false; // Extraire, Ajouter, Supprimer
};

constexpr CommandStates StatesOf(ArchiveState state) {
    switch (state) {
    case ArchiveState::NoArchive:
        return {};
    case ArchiveState::Archive:
        return {.extract = true, .add = true, .remove = true, .autoExtract = true,
                .button3 = true, .button4 = true};
    case ArchiveState::ArchiveAfterChange:
        return {.extract = true, .add = true, .autoExtract = true, .button3 = true,
                .button4 = true};
    case ArchiveState::NewArchive:
        return {.add = true, .button4 = true};
    case ArchiveState::SelfExtracting:
        return {.extract = true, .button3 = true};
    }
    return {};
}
