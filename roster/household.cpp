#include "roster/household.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "base/message.h"
#include "roster/sheet.h"
#include "text/collate.h"

namespace {

// The people already joined, as a forest: each index points towards its household's first.
struct Joined {
    std::vector<size_t> parent;
};

size_t first_of(Joined* h, size_t i) {
    while (h->parent[i] != i) i = h->parent[i] = h->parent[h->parent[i]];
    return i;
}

void join(Joined* h, size_t a, size_t b) {
    a = first_of(h, a);
    b = first_of(h, b);
    if (a != b) h->parent[std::max(a, b)] = std::min(a, b);  // the earlier person leads
}

// The words addresses write two ways, each as its short form: "12 Oak Street" is "12 oak st".
constexpr std::pair<const char*, const char*> ADDRESS_WORDS[] = {
    {"street", "st"},      {"avenue", "ave"},    {"av", "ave"},   {"road", "rd"},
    {"drive", "dr"},       {"lane", "ln"},       {"court", "ct"}, {"place", "pl"},
    {"boulevard", "blvd"}, {"apartment", "apt"}, {"#", "apt"},    {"suite", "ste"},
    {"north", "n"},        {"south", "s"},       {"east", "e"},   {"west", "w"},
};

// One part of an address as households compare it: letter case, blanks, commas and dots
// aside, "#" and the long forms of ADDRESS_WORDS as their short forms.
std::string address_words(const std::string& text) {
    std::string spaced;
    for (char c : text)
        spaced += c == '#' ? std::string(" # ") : std::string(1, c == ',' || c == '.' ? ' ' : c);
    std::string key;
    size_t start = 0;
    for (size_t i = 0; i <= spaced.size(); ++i) {
        if (i < spaced.size() && spaced[i] != ' ' && spaced[i] != '\t') continue;
        std::string word = match_key(spaced.substr(start, i - start));  // the long forms are such keys
        start = i + 1;
        if (word.empty()) continue;
        for (const auto& [long_form, short_form] : ADDRESS_WORDS) {
            if (word == long_form) word = short_form;
        }
        key += (key.empty() ? "" : " ") + word;
    }
    return key;
}

// Where a person lives, as households compare it: street, town and postal code; "" for a
// row without a street, or without both town and postal code, which never joins by address.
std::string address_key(const Member& m) {
    if (m.home.empty() || (m.town.empty() && m.postal_code.empty())) return "";
    return address_words(m.home) + "\n" + address_words(m.town) + "\n" + address_words(m.postal_code);
}

// The rows a Household column gives the same value join; without one, the rows with the
// same last name at the same address (street, town and postal code; a private member's
// address counts too, though it is not printed). Two people of one name at one address stay
// apart, said once: nothing tells one Linda Lee from a second row of her.
void join_by_household_or_address(const std::vector<Member>& people, Joined* h, const char* path) {
    const bool column =
        std::any_of(people.begin(), people.end(), [](const Member& m) { return !m.household.empty(); });
    std::map<std::string, size_t> seen;
    std::string same_names;
    for (size_t i = 0; i < people.size(); ++i) {
        const Member& m = people[i];
        std::string key;
        if (column) {
            key = match_key(m.household);
        } else if (const std::string address = address_key(m); !m.last_name.empty() && !address.empty()) {
            key = match_key(m.last_name) + "\n" + address;
        }
        if (key.empty()) continue;
        const auto [at, added] = seen.emplace(key, i);
        if (added) continue;
        const Member& first = people[at->second];
        if (!column && match_key(first.first_name) == match_key(m.first_name)) {
            same_names += (same_names.empty() ? "" : "; ") + printed_name(m, GIVEN_NAME_FIRST) + " (" +
                          row_word(path) + "s " + std::to_string(first.line_number) + " and " +
                          std::to_string(m.line_number) + ")";
            continue;
        }
        join(h, at->second, i);
    }
    if (!same_names.empty()) {
        say("Warning: %s: %s: one name at one address, so each keeps a card of their own (a Household or "
            "Partner column joins them)\n",
            path, same_names.c_str());
    }
}

// Joins each row to the person its Partner value names: their full name, or their first name
// when the two share surname and address; names the values that name nobody. Looked up in
// maps, so a list of thousands with a Partner column costs no more than one without.
void join_partners(const std::vector<Member>& people, Joined* h, const char* path) {
    // Full name ("Carol Smith" and "Smith, Carol" alike, accents aside), and first name +
    // surname + address.
    std::multimap<std::string, size_t> by_name;
    const auto full_name = [](const std::string& name) { return name_key(without_accents(name)); };
    for (size_t i = 0; i < people.size(); ++i) {
        const Member& m = people[i];
        by_name.emplace(full_name(m.name.empty() ? m.first_name + " " + m.last_name : m.name), i);
        by_name.emplace(match_key(m.first_name) + "\n" + match_key(m.last_name) + "\n" + match_key(m.home),
                        i);
    }
    for (size_t i = 0; i < people.size(); ++i) {
        const Member& m = people[i];
        if (m.partner.empty()) continue;
        bool found = false;
        for (const std::string& key :
             {full_name(m.partner),
              match_key(m.partner) + "\n" + match_key(m.last_name) + "\n" + match_key(m.home)}) {
            for (auto [at, end] = by_name.equal_range(key); at != end && !found; ++at) {
                if (at->second == i) continue;
                join(h, i, at->second);
                found = true;
            }
        }
        if (!found) {
            say("Warning: %s %s %d: partner '%s' matches nobody in the list\n", path, row_word(path),
                m.line_number, m.partner.c_str());
        }
    }
}

// The group each person is in, by index.
std::vector<int> groups_of(const Roster& roster) {
    std::vector<int> groups(roster.people.size());
    for (int g = 0; g < GROUP_COUNT; ++g) {
        for (size_t i = roster.starts[g]; i < roster.starts[g + 1]; ++i) groups[i] = g;
    }
    return groups;
}

// "Bob & Carol Smith", "Bob Smith & Carol Jones", "Bob, Carol & Sam Smith"; a person whose
// group is not Member, in a household of several groups, with it: "Bob (Caller) & Carol Smith".
// Family first: "Smith Bob & Carol", "Smith Bob & Jones Carol".
std::string joined_name(const std::vector<const Member*>& people, const std::vector<int>& groups,
                        const char* joiner, NameOrder order) {
    const bool one_surname = std::all_of(people.begin(), people.end(), [&](const Member* m) {
        return match_key(m->last_name) == match_key(people[0]->last_name);
    });
    const bool mixed = std::any_of(groups.begin(), groups.end(), [&](int g) { return g != groups[0]; });
    const bool surname_first = order == FAMILY_NAME_FIRST;
    std::string name;
    for (size_t i = 0; i < people.size(); ++i) {
        const Member& m = *people[i];
        if (i > 0) name += i + 1 == people.size() ? std::string(" ") + joiner + " " : ", ";
        const std::string& own = m.first_name.empty() ? m.last_name : m.first_name;
        if (one_surname || (m.first_name.empty() && !surname_first)) {
            name += own;
        } else {
            name += surname_first ? family_first(m.last_name, own) : own + " " + m.last_name;
        }
        if (mixed && groups[i] != GROUP_MEMBER) name += std::string(" (") + GROUPS[groups[i]].role + ")";
    }
    if (!one_surname) return name;
    return surname_first ? family_first(people[0]->last_name, name) : name + " " + people[0]->last_name;
}

// A person's own name on their household's card: the first name, or the surname alone.
const std::string& tag_of(const Member& m) { return m.first_name.empty() ? m.last_name : m.first_name; }

// True when two of `people` go by one first name: tags would tell nobody apart.
bool first_names_repeat(const std::vector<const Member*>& people) {
    for (size_t i = 0; i < people.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (match_key(tag_of(*people[i])) == match_key(tag_of(*people[j]))) return true;
        }
    }
    return false;
}

// A detail as the household's card prints it: once when every person has the same (an
// address as address_words compares it, and given by any of them), else each person's value, PERSON_BREAK
// between them, so the card gives each a line: tagged with the first name
// ("503-555-0101 (Bob)"), or, with `by_person`, untagged and one per person in the
// household's order, "" for those without it, so each person's values line up.
std::string joined_detail(const std::vector<const Member*>& people, int detail, bool by_person) {
    std::vector<const Member*> having;
    for (const Member* m : people) {
        if (!m->details[detail].empty()) having.push_back(m);
    }
    if (having.empty()) return "";
    // An address written two ways ("12 Oak Street", "12 oak st.") is one address: the first way.
    const bool address = detail == DETAIL_ADDRESS || detail == DETAIL_CITY || detail == DETAIL_ZIP;
    // A phone or e-mail only some of them have is theirs alone, so it is tagged; an address
    // given once is everyone's.
    const bool same = (address || having.size() == people.size()) &&
                      std::all_of(having.begin(), having.end(), [&](const Member* m) {
                          return m->details[detail] == having[0]->details[detail] ||
                                 (address && address_words(m->details[detail]) ==
                                                 address_words(having[0]->details[detail]));
                      });
    if (same) return having[0]->details[detail];
    std::string joined;
    for (const Member* m : by_person ? people : having) {
        if (m != (by_person ? people[0] : having[0])) joined += PERSON_BREAK;
        if (by_person) {
            joined += m->details[detail];
        } else {
            joined += m->details[detail] + " (" + tag_of(*m) + ")";
        }
    }
    // One person's value alone gets a line of its own too: tagged, it is too long to share one.
    if (!by_person && having.size() == 1) joined += PERSON_BREAK;
    return joined;
}

// The card of a household: its first person's record, with the joined name and details.
Member household_card(const std::vector<const Member*>& people, const std::vector<int>& groups,
                      const Settings& settings) {
    Member card = *people[0];
    if (people.size() == 1) return card;
    card.name = joined_name(people, groups, settings.words.household_joiner, settings.name_order);
    card.by_person = first_names_repeat(people);
    card.private_member =
        std::all_of(people.begin(), people.end(), [](const Member* m) { return m->private_member; });
    for (int d = 0; d < DETAIL_COUNT; ++d) card.details[d] = joined_detail(people, d, card.by_person);
    // What the proof shows beyond the card: each person's own, named.
    card.left_off = {};
    card.proof_fields.clear();
    for (const Member* m : people) {
        const std::string whose = " (" + m->first_name + ")";
        for (int d = 0; d < DETAIL_COUNT; ++d) {
            if (!m->left_off[d].empty())
                card.left_off[d] +=
                    (card.left_off[d].empty() ? "" : std::string(1, PERSON_BREAK)) + m->left_off[d] + whose;
        }
        for (const auto& [heading, value] : m->proof_fields) {
            if (!value.empty()) card.proof_fields.emplace_back(heading, value + whose);
        }
    }
    for (size_t i = 1; i < people.size(); ++i) {
        const Member& m = *people[i];
        card.housemates.push_back({m.first_name, m.last_name, m.name, m.sort_as, m.line_number});
        card.housemates.insert(card.housemates.end(), m.housemates.begin(),
                               m.housemates.end());  // a couple's row
    }
    // The household's own photo, where any of its rows names one that may be printed.
    for (const Member* m : people) {
        if (m->photo.empty() || m->photo_hidden) continue;
        card.photo = m->photo;
        card.photo_focus = m->photo_focus;
        card.photo_hidden = false;
        break;
    }
    return card;
}

}  // namespace

void join_households(Roster* roster, const Settings& settings, const char* path) {
    std::vector<Member>& people = roster->people;
    Joined h;
    h.parent.resize(people.size());
    std::iota(h.parent.begin(), h.parent.end(), 0);
    join_by_household_or_address(people, &h, path);
    join_partners(people, &h, path);
    const std::vector<int> groups = groups_of(*roster);
    std::vector<std::vector<size_t>> members_of(people.size());
    for (size_t i = 0; i < people.size(); ++i) members_of[first_of(&h, i)].push_back(i);
    std::vector<Member> cards;
    std::array<size_t, GROUP_COUNT + 1> starts = {};
    for (int g = 0; g < GROUP_COUNT; ++g) {
        starts[g] = cards.size();
        roster->people_in_group[g] = 0;
        for (size_t i = roster->starts[g]; i < roster->starts[g + 1]; ++i) {
            roster->people_in_group[g] +=
                1 + static_cast<int32_t>(people[i].housemates.size());  // a couple's row: both
            if (members_of[i].empty()) continue;                        // printed on their household's card
            std::vector<const Member*> household;
            std::vector<int> household_groups;
            for (size_t j : members_of[i]) {
                household.push_back(&people[j]);
                household_groups.push_back(groups[j]);
            }
            cards.push_back(household_card(household, household_groups, settings));
        }
    }
    starts[GROUP_COUNT] = cards.size();
    people = std::move(cards);
    roster->starts = starts;
    roster->households_joined = true;
}
