// Daylight-saving rule codes by country (table in dst_country_rules.cpp).
#pragma once

#include <cstdint>

struct DstCountryRule {
  std::uint16_t countryCode;  // first letter * 256 + second letter
  std::uint32_t rule;         // daylight-saving rule code
};

extern const DstCountryRule kDstCountryRules[];
extern const int kDstCountryRuleCount;
