#pragma once
// The wizard's own texts (titles, paragraphs, labels, notices, the prompt), and the few rules
// that choose or fill them. "{}" marks an inserted value, filled in order by format_text. The
// failure texts the Error page shows as they come belong to the code that fails (install/,
// sys/elevation.h), as do the step labels (STEP_LABELS) and the development-build notice
// (TEXT_NO_PAYLOAD). Portable.
#include <string>
#include <string_view>

#include "product/installed_state.h"

namespace vl {

// ---- window and header -----------------------------------------------------------------------
inline constexpr std::string_view TEXT_TAGLINE = "ЦАХИМ ГАРЫН ҮСГИЙН СИСТЕМ";
inline constexpr std::string_view TEXT_VERSION_PILL = "Хувилбар {}";

// ---- Welcome ------------------------------------------------------------------------------
inline constexpr std::string_view TEXT_TITLE_FRESH = "Verilune-г суулгах";
inline constexpr std::string_view TEXT_TITLE_UPGRADE = "Verilune-г шинэчлэх";
inline constexpr std::string_view TEXT_TITLE_REINSTALL = "Verilune-г дахин суулгах";
inline constexpr std::string_view TEXT_TITLE_DOWNGRADE = "Хуучин хувилбар суулгах";
inline constexpr std::string_view TEXT_PRODUCT_DESCRIPTION =
    "USB токеноор файлд тоон гарын үсэг зурах, гэрчилгээ харах, PIN удирдах програм.";
inline constexpr std::string_view TEXT_UPGRADE_SENTENCE =
    "Таны компьютерт {} хувилбар суусан байна. {} болгон шинэчилнэ — тохиргоо тань хэвээр "
    "үлдэнэ.";
inline constexpr std::string_view TEXT_REINSTALL_SENTENCE =
    "{} хувилбар аль хэдийн суусан байна. Файлуудыг дахин хуулж засварлана.";
inline constexpr std::string_view TEXT_DOWNGRADE_SENTENCE =
    "Илүү шинэ {} хувилбар суусан байна. Үргэлжлүүлбэл {} хувилбар руу буцна.";
inline constexpr std::string_view TEXT_LOCATION_CAPTION = "Суулгах байршил · {}";
inline constexpr std::string_view TEXT_SCOPE_ALL_USERS = "Бүх хэрэглэгчид";
inline constexpr std::string_view TEXT_SCOPE_CURRENT_USER = "Зөвхөн надад";
inline constexpr std::string_view TEXT_CHANGE = "Өөрчлөх";
inline constexpr std::string_view TEXT_LEGACY_TITLE = "Хуучин VeriluneClient илэрлээ";
inline constexpr std::string_view TEXT_LEGACY_REMOVE_VERSION = "{} хувилбарыг устгах (зөвлөмж)";
inline constexpr std::string_view TEXT_LEGACY_REMOVE = "Хуучин хувилбарыг устгах (зөвлөмж)";
inline constexpr std::string_view TEXT_DESKTOP_SHORTCUT = "Дэлгэц дээр товчлол үүсгэх";
inline constexpr std::string_view TEXT_INSTALL = "Суулгах";
inline constexpr std::string_view TEXT_UPDATE = "Шинэчлэх";
inline constexpr std::string_view TEXT_REINSTALL = "Дахин суулгах";
inline constexpr std::string_view TEXT_UNINSTALL = "Програмыг устгах";

// ---- Settings -----------------------------------------------------------------------------
inline constexpr std::string_view TEXT_SETTINGS_TITLE = "Суулгах тохиргоо";
inline constexpr std::string_view TEXT_SETTINGS_PARAGRAPH =
    "Хэнд зориулж, хаана суулгахаа сонгоно уу.";
inline constexpr std::string_view TEXT_CARD_ALL_USERS = "Энэ компьютерийн бүх хэрэглэгч";
inline constexpr std::string_view TEXT_CARD_ALL_USERS_NOTE = "Program Files · админ эрх шаардана";
inline constexpr std::string_view TEXT_CARD_CURRENT_USER = "Зөвхөн надад";
inline constexpr std::string_view TEXT_CARD_CURRENT_USER_NOTE =
    "Хэрэглэгчийн хавтас · админ эрх шаардахгүй";
inline constexpr std::string_view TEXT_SECTION_LOCATION = "Суулгах байршил";
inline constexpr std::string_view TEXT_BROWSE = "Сонгох…";
inline constexpr std::string_view TEXT_BACK = "Буцах";

// ---- Progress -----------------------------------------------------------------------------
inline constexpr std::string_view TEXT_PROGRESS_FRESH = "Суулгаж байна";
inline constexpr std::string_view TEXT_PROGRESS_UPDATE = "Шинэчилж байна";
inline constexpr std::string_view TEXT_PERCENT = "{}%";
inline constexpr std::string_view TEXT_AWAITING_ADMIN = "Админ эрхийн зөвшөөрлийг хүлээж байна…";
inline constexpr std::string_view TEXT_PLEASE_WAIT = "Түр хүлээнэ үү, удахгүй дуусна.";

// ---- Done ---------------------------------------------------------------------------------
inline constexpr std::string_view TEXT_DONE_FRESH = "Суулгалт амжилттай";
inline constexpr std::string_view TEXT_DONE_UPDATE = "Шинэчлэлт амжилттай";
inline constexpr std::string_view TEXT_DONE_PARAGRAPH =
    "{} {} суулаа. Програм system tray-д байрлаж, токен залгахад автоматаар танина.";
inline constexpr std::string_view TEXT_LAUNCH_NOW = "Verilune-г одоо нээх";
inline constexpr std::string_view TEXT_FINISH = "Дуусгах";

// ---- Error --------------------------------------------------------------------------------
inline constexpr std::string_view TEXT_ERROR_TITLE = "Суулгаж чадсангүй";
inline constexpr std::string_view TEXT_RETRY = "Дахин оролдох";
inline constexpr std::string_view TEXT_CLOSE = "Хаах";

// ---- app-running prompt -------------------------------------------------------------------
inline constexpr std::string_view TEXT_APP_RUNNING_TITLE = "Verilune ажиллаж байна";
inline constexpr std::string_view TEXT_APP_RUNNING_BODY =
    "Үргэлжлүүлэхийн тулд програмыг хаана. Гарын үсэг зурж байгаа бол эхлээд дуусгана уу.";
inline constexpr std::string_view TEXT_CLOSE_AND_CONTINUE = "Хаагаад үргэлжлүүлэх";
inline constexpr std::string_view TEXT_CANCEL = "Цуцлах";

// ---- notices (set by the controller) ------------------------------------------------------
inline constexpr std::string_view TEXT_ELEVATION_DECLINED =
    "Админ эрх олгогдоогүй тул бүх хэрэглэгчид суулгах боломжгүй. «Зөвхөн надад» сонголтыг "
    "ашиглаж болно.";
// An installation for one user asked of a process with administrator rights (refused).
inline constexpr std::string_view TEXT_PER_USER_ELEVATED =
    "Админ эрхтэй ажиллаж буй суулгагч «Зөвхөн надад» суулгах боломжгүй. Суулгагчийг админ "
    "эрхгүйгээр дахин ажиллуулна уу, эсвэл бүх хэрэглэгчид суулгана уу.";

// The Error page's text before what the installation threw (only builds with exceptions, the
// tests', can throw).
inline constexpr std::string_view TEXT_INTERNAL_ERROR_PREFIX = "Дотоод алдаа: ";  // internal error

// ---- rules --------------------------------------------------------------------------------
std::string_view welcome_title(InstallMode mode);
std::string_view welcome_button(InstallMode mode);
// The version-state paragraph: the product description for a fresh install, and for an update
// or a downgrade whose installed version text is unknown.
std::string version_sentence(InstallMode mode, const std::optional<std::string>& installed);
std::string_view scope_word(InstallScope scope);
std::string location_caption(InstallScope scope);
std::string legacy_remove_label(const std::optional<std::string>& legacy_version);
std::string_view progress_title(InstallMode mode);
std::string_view done_title(InstallMode mode);
std::string done_paragraph();
std::string version_pill();
// round(fraction × 100) half away from zero, saturated (NaN: 0), followed by "%".
std::string percentage_text(float fraction);

}  // namespace vl
