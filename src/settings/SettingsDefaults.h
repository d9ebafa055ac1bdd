#pragma once

// Default texts of the settings. The restore buttons of the Config area write
// these back; Reciptext's restore value differs from the initial value on purpose
// (no double quote before the '>').
namespace Defaults {

inline constexpr const char TestUrl[] = "http://www.example.com/";
inline constexpr const char PublisherDomain[] = "example.com";

inline constexpr const char TitleRegEx1[] = "<title>";
inline constexpr const char TitleRegEx2[] = "(.*)";
inline constexpr const char TitleRegEx3[] = "</title>";

inline constexpr const char EmailRegEx1[] = R"qm([A-Z0-9._%-]+@[A-Z0-9._%-]+\.[A-Z]{2,6})qm";
inline constexpr const char EmailRegEx2[] = "webmaster@";
inline constexpr const char EmailRegEx3[] = R"qm([A-Z0-9._%-]+\.[A-Z]{2,6})qm";

inline constexpr const char DescriptionRegEx1[] = R"qm(<meta +name *=[\"']?description[\"']? *content=[\"']?)qm";
inline constexpr const char DescriptionRegEx2[] = R"qm(([^<>\"]+))qm";
inline constexpr const char DescriptionRegEx3[] = R"qm([\"']?)qm";

inline constexpr const char OutputAsciiFile[] = "database.txt";
inline constexpr const char OutputAsciiDelimiter[] = "|[@]|";
inline constexpr const char BadWordsFile[] = "badwords.txt";
inline constexpr const char BadDomainsFile[] = "baddomains.txt";

inline constexpr const char RecipText[] = R"qm(<a(.*)href="http://(.*)example.com(.*)">(.*)</a>)qm";
inline constexpr const char RecipTextRestore[] = R"qm(<a(.*)href="http://(.*)example.com(.*)>(.*)</a>)qm";

} // namespace Defaults
