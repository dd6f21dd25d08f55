#pragma once

#include <string>

// Addresses of the maker's web pages and the names of the persistent settings.
namespace AppConstants {

extern const std::string siteHost;       // host of every page and of the update query
extern const std::string siteAddress;    // https address of the site
extern const std::string helpPage;
extern const std::string languageHelpPage;
extern const std::string contactPage;
extern const std::string moreAppsPage;
extern const std::string updateSlug;
extern const std::string updateQueryPath;

extern const char *const settingsOrganization;
extern const char *const settingsApplication;
extern const char *const outputPathKey;
extern const char *const skipVersionKey;

} // namespace AppConstants
