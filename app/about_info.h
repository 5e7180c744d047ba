// The texts and link targets of the About window, defined in one place.
#pragma once

namespace veskaro::app::about {

/// Developer's name, shown as the e-mail link.
inline constexpr const char* kDeveloperName = "Veskaro Team";
/// Developer's e-mail address (a reserved example domain until the project has a
/// home of its own).
inline constexpr const char* kDeveloperEmail = "team@veskaro.example.org";
/// The maker's notice.
inline constexpr const char* kNotice = "Freeware";
/// Title of the developer's website, shown as the web link.
inline constexpr const char* kWebsiteTitle = "Veskaro Home Page";
/// Scheme and host of the developer's website.
inline constexpr const char* kWebsiteHost = "http://www.veskaro.example.org";
/// Path of the page the web link opens.
inline constexpr const char* kWebsitePath = "/computers/webmaster/";

}  // namespace veskaro::app::about
