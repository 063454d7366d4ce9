#include "app/changes.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "base/text_util.h"
#include "roster/sheet.h"
#include "text/collate.h"

namespace {

constexpr const char* ARROW = " → ";
constexpr const char* PRIVATE_VALUE = "(private)";
constexpr const char* NO_VALUE = "(none)";
constexpr size_t LEAST_PHONE_DIGITS = 7;  // fewer is an extension, not a number a person is known by

// One field as a row holds it: its text, and whether the card leaves it off (a private member).
struct FieldValue {
    std::string text;
    bool hidden = false;
};

// A field's value as the report shows it.
std::string shown(const FieldValue& value) {
    if (value.hidden) return PRIVATE_VALUE;
    if (value.text.empty()) return NO_VALUE;
    std::string text = value.text;
    for (size_t at; (at = text.find(PERSON_BREAK)) != std::string::npos;) text.replace(at, 1, " / ");
    return text;
}

FieldValue detail_value(const Member& row, int detail) {
    if (!row.details[detail].empty()) return {row.details[detail], false};
    return {row.left_off[detail], !row.left_off[detail].empty()};
}

// The country is printed on no card: a private member's counts as left off unless the card
// shows their address.
FieldValue country_value(const Member& row) {
    return {row.country, row.private_member && row.details[DETAIL_ADDRESS].empty() && !row.country.empty()};
}

// What else than a name says a row is a person: their e-mail addresses (letter case aside)
// and phone numbers (digits only).
std::vector<std::string> contact_keys(const Member& row) {
    std::vector<std::string> keys;
    for (const DetailValue& address : detail_values(detail_value(row, DETAIL_EMAIL).text)) {
        if (address.value.find('@') != std::string::npos) keys.push_back(ascii_lower(address.value));
    }
    for (int detail : {DETAIL_PHONE, DETAIL_CELL}) {
        for (const DetailValue& number : detail_values(detail_value(row, detail).text)) {
            std::string digits;
            for (char c : number.value) {
                if (c >= '0' && c <= '9') digits += c;
            }
            if (digits.size() >= LEAST_PHONE_DIGITS) keys.push_back(digits);
        }
    }
    return keys;
}

// A row of this season and the row of last season it matched; `why` is said of a probable match.
struct Match {
    std::optional<size_t> last;
    std::string why;
};

std::string row_named(const Roster& roster, const Member& row) {
    return roster.path + " " + row_word(roster.path) + " " + std::to_string(row.line_number);
}

// The lines of one matched row's changes, "    Phone: 555-0101 → 555-0199" each.
std::string changed_fields(const Roster& last, size_t was, const Roster& now, size_t is,
                           const Settings& settings) {
    const Member& old_row = last.people[was];
    const Member& new_row = now.people[is];
    std::string lines;
    const auto compare = [&](const std::string& field, const FieldValue& before, const FieldValue& after) {
        if (before.text != after.text)
            lines += "    " + field + ": " + shown(before) + ARROW + shown(after) + "\n";
    };
    compare("Name", {printed_name(old_row, settings.name_order)},
            {printed_name(new_row, settings.name_order)});
    compare("Section", {settings.words.group_titles[group_of(last, was)]},
            {settings.words.group_titles[group_of(now, is)]});
    for (int d = 0; d < DETAIL_COUNT; ++d)
        compare(now.detail_columns[d], detail_value(old_row, d), detail_value(new_row, d));
    compare("Country", country_value(old_row), country_value(new_row));
    return lines;
}

// Matches each row of `now` with one of `last`: by name first, then by what else they share.
std::vector<Match> match_rows(const Roster& last, const Roster& now, const Settings& settings) {
    const auto key = [&](const Member& row) {
        return name_key(without_accents(printed_name(row, settings.name_order)));
    };
    std::multimap<std::string, size_t> unmatched;
    for (size_t i = 0; i < last.people.size(); ++i) unmatched.emplace(key(last.people[i]), i);
    std::vector<Match> matches(now.people.size());
    for (size_t i = 0; i < now.people.size(); ++i) {
        const auto found = unmatched.find(key(now.people[i]));
        if (found == unmatched.end()) continue;
        matches[i].last = found->second;
        unmatched.erase(found);
    }
    // Last season's rows left over, by each e-mail address and phone number they hold.
    std::multimap<std::string, size_t> by_contact;
    std::vector<bool> taken(last.people.size(), true);
    for (const auto& [name, row] : unmatched) {
        taken[row] = false;
        for (std::string& contact : contact_keys(last.people[row]))
            by_contact.emplace(std::move(contact), row);
    }
    for (size_t i = 0; i < now.people.size(); ++i) {
        if (matches[i].last) continue;
        for (const std::string& contact : contact_keys(now.people[i])) {
            const auto [first, end] = by_contact.equal_range(contact);
            const auto left =
                std::find_if(first, end, [&](const auto& entry) { return !taken[entry.second]; });
            if (left == end) continue;
            taken[left->second] = true;
            matches[i] = {left->second, contact.find('@') != std::string::npos ? "the same e-mail"
                                                                               : "the same phone number"};
            break;
        }
    }
    return matches;
}

}  // namespace

SeasonChanges season_changes(const Roster& last, const Roster& now, const Settings& settings) {
    const std::vector<Match> matches = match_rows(last, now, settings);
    std::vector<bool> kept(last.people.size(), false);
    std::string added, changed, gone;
    SeasonChanges changes;
    for (size_t i = 0; i < now.people.size(); ++i) {
        const Member& row = now.people[i];
        const std::string name = printed_name(row, settings.name_order);
        if (!matches[i].last) {
            added += "  " + name + ", " + settings.words.group_titles[group_of(now, i)] + " (" +
                     row_named(now, row) + ")\n";
            ++changes.added;
            continue;
        }
        const size_t was = *matches[i].last;
        kept[was] = true;
        const std::string fields = changed_fields(last, was, now, i, settings);
        if (fields.empty()) continue;
        changed += "  " + name + " (" + row_named(now, row) + ")";
        if (!matches[i].why.empty()) {
            changed += ", probably " + printed_name(last.people[was], settings.name_order) + " (" +
                       row_named(last, last.people[was]) + "): " + matches[i].why;
        }
        changed += "\n" + fields;
        ++changes.changed;
    }
    for (size_t i = 0; i < last.people.size(); ++i) {
        if (kept[i]) continue;
        const Member& row = last.people[i];
        gone += "  " + printed_name(row, settings.name_order) + ", " +
                settings.words.group_titles[group_of(last, i)] + " (" + row_named(last, row) + ")\n";
        ++changes.gone;
    }
    const auto part = [](const char* heading, int count, const std::string& lines) {
        return std::string(heading) + " (" + std::to_string(count) + ")\n" +
               (lines.empty() ? "  none\n" : lines);
    };
    changes.text = "What changed since last season: " + last.path + ARROW + now.path + "\n" +
                   std::to_string(changes.added) + " new, " + std::to_string(changes.gone) + " gone, " +
                   std::to_string(changes.changed) + " changed\n\n" +
                   part("New this season", changes.added, added) + "\n" +
                   part("Gone since last season", changes.gone, gone) + "\n" +
                   part("Changed", changes.changed, changed);
    return changes;
}
