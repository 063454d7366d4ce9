#include "app/email_list.h"

#include <vector>

namespace {

// The name a household's address goes with: the person its tag ("ann@x.org (Ann)") names,
// `person` (by_person cards list one a person, in order), else the household's own name.
std::string owner_of(const Member& card, const std::string& tag, size_t person, NameOrder order) {
    std::vector<PersonName> people = {{card.first_name, card.last_name, "", "", 0}};
    people.insert(people.end(), card.housemates.begin(), card.housemates.end());
    for (const PersonName& p : people) {
        if (!tag.empty() && (tag == p.first_name || (p.first_name.empty() && tag == p.last_name)))
            return printed_name(p, order);
    }
    if (card.by_person && person < people.size()) return printed_name(people[person], order);
    return printed_name(card, order);
}

}  // namespace

std::string display_name(const std::string& name) {
    if (name.find_first_of("()<>[]:;@\\,.\"") == std::string::npos) return name;
    std::string quoted = "\"";
    for (char c : name) quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return quoted + "\"";
}

std::string email_list(const Roster& roster, const Settings& settings, int* count) {
    std::string list;
    *count = 0;
    for (int g = 0; g < GROUP_COUNT; ++g) {
        std::string section;
        for (const Member& card : group_members(roster, static_cast<Group>(g))) {
            for (const DetailValue& address : detail_values(card.details[DETAIL_EMAIL])) {
                if (address.value.find('@') == std::string::npos) continue;
                section += display_name(owner_of(card, address.tag, address.line, settings.name_order)) +
                           " <" + address.value + ">\n";
                ++*count;
            }
        }
        if (!section.empty())
            list += std::string("# ") + settings.words.group_titles[g] + "\n" + section + "\n";
    }
    return list;
}
