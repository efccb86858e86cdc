#include "hosts/projectfile/XmlEdit.h"

namespace zelvant {

ElementOrder::ElementOrder(std::initializer_list<const char*> names)
{
    int rank = 0;
    for (const char* name : names)
        ranks_.emplace(name, rank++);
}

int ElementOrder::rank(std::string_view name) const
{
    const auto found = ranks_.find(name);
    return found == ranks_.end() ? -1 : found->second;
}

const ElementOrder& ElementOrder::task()
{
    // clang-format off
    static const ElementOrder order{
        "UID", "GUID", "ID", "Name", "Active", "Manual", "Type", "IsNull", "CreateDate", "Contact", "WBS",
        "WBSLevel", "OutlineNumber", "OutlineLevel", "Priority", "StartText", "FinishText", "DurationText",
        "Start", "Finish", "Duration", "ManualStart", "ManualFinish", "ManualDuration", "DurationFormat",
        "FreeformDurationFormat", "Work", "Stop", "Resume", "ResumeValid", "EffortDriven", "Recurring",
        "OverAllocated", "Estimated", "Milestone", "Summary", "DisplayAsSummary", "Critical", "IsSubproject",
        "IsSubprojectReadOnly", "SubprojectName", "ExternalTask", "ExternalTaskProject", "EarlyStart",
        "EarlyFinish", "LateStart", "LateFinish", "StartVariance", "FinishVariance", "WorkVariance",
        "FreeSlack", "TotalSlack", "StartSlack", "FinishSlack", "FixedCost", "FixedCostAccrual",
        "PercentComplete", "PercentWorkComplete", "Cost", "OvertimeCost", "OvertimeWork", "ActualStart",
        "ActualFinish", "ActualDuration", "ActualCost", "ActualOvertimeCost", "ActualWork",
        "ActualOvertimeWork", "RegularWork", "RemainingDuration", "RemainingCost", "RemainingWork",
        "RemainingOvertimeCost", "RemainingOvertimeWork", "ACWP", "CV", "ConstraintType", "CalendarUID",
        "ConstraintDate", "Deadline", "LevelAssignments", "LevelingCanSplit", "LevelingDelay",
        "LevelingDelayFormat", "PreLeveledStart", "PreLeveledFinish", "Hyperlink", "HyperlinkAddress",
        "HyperlinkSubAddress", "IgnoreResourceCalendar", "Notes", "HideBar", "Rollup", "BCWS", "BCWP",
        "PhysicalPercentComplete", "EarnedValueMethod", "PredecessorLink", "ActualWorkProtected",
        "ActualOvertimeWorkProtected", "IsPublished", "StatusManager", "CommitmentStart", "CommitmentFinish",
        "CommitmentType", "ExtendedAttribute", "Baseline", "OutlineCode", "TimephasedData"};
    // clang-format on
    return order;
}

const ElementOrder& ElementOrder::assignment()
{
    // clang-format off
    static const ElementOrder order{
        "UID", "GUID", "TaskUID", "ResourceUID", "PercentWorkComplete", "ActualCost", "ActualFinish",
        "ActualOvertimeCost", "ActualOvertimeWork", "ActualStart", "ActualWork", "ACWP", "Confirmed", "Cost",
        "CostRateTable", "RateScale", "CostVariance", "CV", "Delay", "Finish", "FinishVariance", "Hyperlink",
        "HyperlinkAddress", "HyperlinkSubAddress", "WorkVariance", "HasFixedRateUnits", "FixedMaterial",
        "LevelingDelay", "LevelingDelayFormat", "LinkedFields", "Milestone", "Notes", "Overallocated",
        "OvertimeCost", "OvertimeWork", "PeakUnits", "RegularWork", "RemainingCost", "RemainingOvertimeCost",
        "RemainingOvertimeWork", "RemainingWork", "ResponsePending", "Start", "Stop", "Resume",
        "StartVariance", "Summary", "SV", "Units", "UpdateNeeded", "VAC", "Work", "WorkContour", "BCWS",
        "BCWP", "BookingType", "ActualWorkProtected", "ActualOvertimeWorkProtected", "CreationDate",
        "AssnOwner", "AssnOwnerGuid", "BudgetCost", "BudgetWork", "ExtendedAttribute", "Baseline",
        "TimephasedData"};
    // clang-format on
    return order;
}

const ElementOrder& ElementOrder::project()
{
    // clang-format off
    static const ElementOrder order{
        "SaveVersion", "BuildNumber", "UID", "Name", "GUID", "Title", "Subject", "Category", "Company",
        "Manager", "Author", "CreationDate", "Revision", "LastSaved", "ScheduleFromStart", "StartDate",
        "FinishDate", "FYStartDate", "CriticalSlackLimit", "CurrencyDigits", "CurrencySymbol",
        "CurrencyCode", "CurrencySymbolPosition", "CalendarUID", "DefaultStartTime", "DefaultFinishTime",
        "MinutesPerDay", "MinutesPerWeek", "DaysPerMonth", "OutlineCodes", "WBSMasks", "ExtendedAttributes",
        "Calendars", "Tasks", "Resources", "Assignments"};
    // clang-format on
    return order;
}

const ElementOrder& ElementOrder::timephasedData()
{
    static const ElementOrder order{"Type", "UID", "Start", "Finish", "Unit", "Value"};
    return order;
}

void XmlChanges::changed(pugi::xml_node node)
{
    ++count_;
    for (pugi::xml_node at = node; at; at = at.parent()) {
        // A text may move in memory when it changes; where it started in the file must not be lost.
        const std::ptrdiff_t begin = beginOf(at);
        if (begin >= 0)
            begins_.emplace(at.internal_object(), begin);
        if (!onPath_.insert(at.internal_object()).second)
            break;
    }
}

void XmlChanges::removing(pugi::xml_node parent, pugi::xml_node child)
{
    changed(parent);
    if (const std::ptrdiff_t begin = beginOf(child); begin >= 0)
        removed_[parent.internal_object()].push_back(begin);
}

std::ptrdiff_t XmlChanges::beginOf(pugi::xml_node node) const
{
    if (const auto recorded = begins_.find(node.internal_object()); recorded != begins_.end())
        return recorded->second;
    const std::ptrdiff_t offset = node.offset_debug();
    if (offset < 0)
        return -1;
    // The offset is that of the name or the text; the markup before it has a fixed length.
    switch (node.type()) {
    case pugi::node_element:
        return offset - 1; // <name
    case pugi::node_declaration:
    case pugi::node_pi:
        return offset - 2; // <?name
    case pugi::node_comment:
        return offset - 4; // <!--text
    case pugi::node_cdata:
        return offset - 9; // <![CDATA[text
    case pugi::node_document:
        return 0;
    default:
        return offset;
    }
}

const std::vector<std::ptrdiff_t>* XmlChanges::removedFrom(pugi::xml_node parent) const
{
    const auto found = removed_.find(parent.internal_object());
    return found == removed_.end() ? nullptr : &found->second;
}

pugi::xml_node XmlEdit::child(pugi::xml_node parent, const char* name, const ElementOrder& order)
{
    if (pugi::xml_node existing = parent.child(name))
        return existing;
    return insert(parent, name, order);
}

pugi::xml_node XmlEdit::insert(pugi::xml_node parent, const char* name, const ElementOrder& order)
{
    changes_.changed(parent);
    // After the last child of the same or an earlier place in the sequence, else before the
    // first that comes later; at the end when the sequence does not know the name.
    const int rank = order.rank(name);
    if (rank < 0)
        return parent.append_child(name);
    pugi::xml_node lastEarlier;
    for (pugi::xml_node sibling = parent.first_child(); sibling; sibling = sibling.next_sibling()) {
        if (sibling.type() != pugi::node_element)
            continue;
        const int siblingRank = order.rank(sibling.name());
        if (siblingRank > rank)
            return parent.insert_child_before(name, sibling);
        if (siblingRank >= 0)
            lastEarlier = sibling;
    }
    return lastEarlier ? parent.insert_child_after(name, lastEarlier) : parent.append_child(name);
}

void XmlEdit::setText(pugi::xml_node parent, const char* name, std::string_view text,
                      const ElementOrder& order)
{
    setValue(child(parent, name, order), text);
}

bool XmlEdit::setTextIfPresent(pugi::xml_node parent, const char* name, std::string_view text)
{
    pugi::xml_node node = parent.child(name);
    if (!node)
        return false;
    setValue(node, text);
    return true;
}

void XmlEdit::setValue(pugi::xml_node node, std::string_view text)
{
    if (std::string_view(node.child_value()) == text)
        return;
    changes_.changed(node);
    node.text().set(text.data(), text.size());
}

void XmlEdit::setAttribute(pugi::xml_node node, const char* name, std::string_view value)
{
    pugi::xml_attribute attribute = node.attribute(name);
    if (attribute && std::string_view(attribute.value()) == value)
        return;
    changes_.changed(node);
    if (!attribute)
        attribute = node.append_attribute(name);
    attribute.set_value(std::string(value).c_str());
}

pugi::xml_node XmlEdit::appendText(pugi::xml_node parent, const char* name, std::string_view text)
{
    changes_.changed(parent);
    pugi::xml_node node = parent.append_child(name);
    node.text().set(text.data(), text.size());
    return node;
}

pugi::xml_node XmlEdit::insertAfter(pugi::xml_node parent, pugi::xml_node after, const char* name)
{
    changes_.changed(parent);
    return after ? parent.insert_child_after(name, after) : parent.prepend_child(name);
}

void XmlEdit::remove(pugi::xml_node parent, pugi::xml_node child)
{
    changes_.removing(parent, child);
    parent.remove_child(child);
}

} // namespace zelvant
