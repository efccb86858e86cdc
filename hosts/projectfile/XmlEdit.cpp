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

pugi::xml_node XmlEdit::child(pugi::xml_node parent, const char* name, const ElementOrder& order)
{
    if (pugi::xml_node existing = parent.child(name))
        return existing;
    // Before the first child that comes later in the sequence; else after the last earlier one.
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
    child(parent, name, order).text().set(text.data(), text.size());
}

bool XmlEdit::setTextIfPresent(pugi::xml_node parent, const char* name, std::string_view text)
{
    pugi::xml_node node = parent.child(name);
    if (!node)
        return false;
    node.text().set(text.data(), text.size());
    return true;
}

pugi::xml_node XmlEdit::appendText(pugi::xml_node parent, const char* name, std::string_view text)
{
    pugi::xml_node node = parent.append_child(name);
    node.text().set(text.data(), text.size());
    return node;
}

pugi::xml_node XmlEdit::insertAfter(pugi::xml_node parent, pugi::xml_node after, const char* name)
{
    return after ? parent.insert_child_after(name, after) : parent.prepend_child(name);
}

} // namespace zelvant
