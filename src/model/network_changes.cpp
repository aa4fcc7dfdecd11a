// Named changes to the network: the images before and after, handed to a host that keeps a history.

#include <optional>

#include "model/network_document.h"

namespace kivo {

void NetworkDocument::BeginChange(const std::string& name) {
    if (change_.depth++ > 0) return;
    change_.name = name;
    change_.wasDirty = bFileDirty;
    change_.savedInside = false;
    change_.keepsListing = false;
    change_.altersListing = false;
    change_.listingInside = false;
    change_.resultsInside = false;
    change_.before.reset();
    if (bFileOpen && host_->KeepsHistory())
        change_.before = std::make_shared<const NetworkImage>(CaptureImage(change_.last.get()));
}

void NetworkDocument::NameChange(const std::string& name) {
    if (change_.depth > 0) change_.name = name;
}

void NetworkDocument::EndChange() {
    if (change_.depth == 0 || --change_.depth > 0) return;
    std::shared_ptr<const NetworkImage> before = std::move(change_.before);
    change_.before.reset();
    const bool imaged = before && bFileOpen && host_->KeepsHistory();
    std::optional<NetworkImage> after;
    if (imaged) after = CaptureImage(before.get());
    // Without images the change may have altered anything.
    change_.altered = !imaged || !after->SameAs(*before);
    const std::uint64_t listingWas = change_.listingRevision, revisionWas = change_.revision;
    if ((change_.altered && !change_.keepsListing) || change_.altersListing)
        change_.revision = ++change_.lastRevision;
    // A listing loaded inside the change was written for the network the change leaves behind.
    if (change_.listingInside) change_.listingRevision = change_.revision;
    if (change_.resultsInside) change_.resultsRevision = change_.revision;
    if (change_.listingRevision != listingWas || change_.revision != revisionWas) host_->UpdateListingMark();
    if (!imaged) return;
    after->revision = change_.revision;
    auto kept = std::make_shared<const NetworkImage>(std::move(*after));
    change_.last = kept;
    if (change_.altered) host_->NetworkChanged(change_.name, before, kept, change_.wasDirty);
    // A save inside the change (the autosave of a recalculation) wrote the network as it is now.
    if (change_.savedInside) host_->ProjectSaved();
}

void NetworkDocument::ResultsTaken() {
    change_.resultsKept = true;
    change_.resultsRevision = change_.revision;
    if (InChange()) change_.resultsInside = true;
}

bool NetworkDocument::LoadOutput() {
    change_.listingRevision = change_.revision;
    if (InChange()) change_.listingInside = true;
    return listingText_.LoadOutput();
}

std::string NetworkDocument::ElementChangeName(const std::string& verb, int kind, int slot) {
    static const char* const kinds[] = {"Theodolite", "Point", "Scale Bar"};
    if (kind < SEL_THEO || kind > SEL_SBAR) return verb;
    return verb + " " + kinds[kind - SEL_THEO] + " " + Common(kind, slot).name;
}

std::string NetworkDocument::SelectionChangeName(const std::string& verb) {
    static const char* const observations[] = {
        "Collimation",    "Direction",         "Scale-Bar Direction",    "Distance",
        "Point Distance", "Height Difference", "Point Height Difference"};
    if (selectType >= SEL_THEO && selectType <= SEL_SBAR) return ElementChangeName(verb, selectType, index);
    if (selectType >= SEL_COLLIMATE && selectType <= SEL_PTHEIGHT)
        return verb + " " + observations[selectType - SEL_COLLIMATE];
    return verb;
}

void NetworkDocument::CmCut() {
    NamedChange change(*this, SelectionChangeName("Cut"));
    const int kind = selectType, slot = index;
    observations_.CmCut();
    // A cut element takes its left-out mark along: a new element in its slot has none.
    if (kind >= SEL_THEO && kind <= SEL_SBAR)
        std::erase_if(leftOutMarks, [&](const LeftOutMark& m) { return m.kind == kind && m.slot == slot; });
}

void NetworkDocument::CmImportFile() {
    NamedChange change(*this, "Import");
    targetImport_.CmImportFile();
    const std::size_t slash = ImportName.find_last_of('/');
    if (!ImportName.empty())
        NameChange("Import " + ImportName.substr(slash == std::string::npos ? 0 : slash + 1));
}

} // namespace kivo
