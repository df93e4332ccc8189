#pragma once
// A made-up but lifelike shop: buyer IDs of Latin and Chinese letters as 淘宝 members choose
// them, a few IDs of ours, notes of 0 to 300 characters, about a third of them written over
// several follow-ups on lines of their own, and dates spread over four years. Every fifth
// customer is closed. The same seed gives the same shop.
#include <cstdint>
#include <vector>

#include "store/customer_actions.h"

namespace bench {

// Customers 1 to `count` in the order the list loads them, newest first; no two share a
// customer ID and our ID, letter case ignored. A closed customer has a deal date (time3).
std::vector<store::CustomerRow> shop_customers(int count, std::uint32_t seed);

// The program's database holding `customers`, those with a deal date closed, filled in one
// go with the indexes built once at the end; the engine gives each its own number.
std::vector<std::uint8_t> shop_database(const std::vector<store::CustomerRow>& customers);

}  // namespace bench
