#include "appconstants.h"

namespace AppConstants {

const std::string siteHost = "www.qorvane.com";
const std::string siteAddress = "https://" + siteHost;
const std::string updateSlug = "tarnixwin";
const std::string helpPage = siteAddress + "/" + updateSlug;
const std::string languageHelpPage = helpPage + "#languagehelp";
const std::string contactPage = siteAddress + "/contact";
const std::string moreAppsPage = siteAddress + "/apps";
const std::string updateQueryPath = "/wp-json/wp/v2/pages?slug=" + updateSlug;

const char *const settingsOrganization = "qorvane";
const char *const settingsApplication = "tarnix";
const char *const outputPathKey = "info/outpath";
const char *const skipVersionKey = "info/skipVersion";

} // namespace AppConstants
