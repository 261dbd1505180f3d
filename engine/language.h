// The process-wide language index: which column of the engine's multilingual
// name tables is shown, and which C library time locale strftime follows.
//
// Index  language               time locale   name tables
//   0    English                en_US         column 0
//   1    Spanish                es_ES         column 1
//   2    French                 fr_FR         column 2
//   3    German                 de_DE         column 3
//   4    Italian                it_IT         column 4
//   5    Russian                ru_RU         (index not kept)
//   6    Japanese               ja_JP         (index not kept)
//   7    Korean                 ko_KR         (index not kept)
//   8    Chinese (simplified)   zh_Hans       (index not kept)
//
// The name tables carry five languages, so the stored index stays in 0-4;
// indexes 5-8 only switch the time locale. Not locked: written by the
// settings code on the main thread, read anywhere.
#pragma once

#include <cstddef>

// Number of language indexes that select a time locale (0-8).
inline constexpr int kLanguageCount = 9;
// Number of languages the engine's name tables carry (0-4).
inline constexpr int kNameTableLanguages = 5;

// Optional translation of interface texts: text in, text out. Never
// installed by the program; null means texts pass unchanged.
using TranslationHook = const char* (*)(const char* text);
extern TranslationHook translationHook;

// The stored language index (0-4).
int getLanguage();

// Switches the time locale to that of `index` (0-8) and stores the index
// when it names a table column (0-4). Indexes outside 0-8 are ignored.
void setLanguage(int index);

// The locale name (as in the table above) of the time locale last put in
// force by setLanguage; "en_US" before any switch.
const char* timeLocaleName();
// The index (0-8) whose time locale is in force: the stored index, or the
// 5-8 index switched to after it. setLanguage(getLanguage()) followed by
// setLanguage(timeLocaleLanguage()) puts both back as they were.
int timeLocaleLanguage();

// hook(text) when the language is not English and a hook is installed,
// otherwise text itself.
const char* translateString(const char* text);

// Copies translateString(source) into destination (size bytes), truncating;
// the copy is always terminated when size > 0. Returns destination.
char* translateStringCopy(char* destination, const char* source, std::size_t size);

// snprintf with the format passed through translateString first. The result
// is always terminated when size > 0. Returns buffer.
char* translatedSnprintf(char* buffer, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
