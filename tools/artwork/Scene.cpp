#include "tools/artwork/Scene.h"

#include <stdexcept>
#include <string>

namespace velmar::artwork {
namespace {

// Labels, shared by the drawn buttons and their highlights.
const LabelDesign kCloseLabel{
    .rows = {{.parts = {{.mark = Mark::CircledCross}, {" "}, {"ЗАКРЫТЬ"}}}}};
const LabelDesign kConnectLabel{
    .rows = {{.parts = {{"ПОДКЛЮЧИТЬ"}}},
             {.parts = {{"ПРОВЕСТИ НАСТРОЙКУ ДРАЙВЕРА СЕЙЧАС"}}, .scale = 0.43}},
    .angleBrackets = true,
    .rowGap = 0.42,
    .letterSpacing = 0.04,
};
const LabelDesign kInstructionLabel{
    .rows = {{.parts = {{"ИНСТРУКЦИЯ"}}}, {.parts = {{"ПОДКЛЮЧЕНИЯ ДРАЙВЕРА"}}, .scale = 0.5}},
    .angleBrackets = true,
    .rowGap = 0.3,
    .letterSpacing = 0.04,
};
const LabelDesign kNextLabel{.rows = {{.parts = {{"ДАЛЕЕ"}, {" "}, {.mark = Mark::ChevronRight}}}}};
const LabelDesign kNextTightLabel{.rows = {{.parts = {{"ДАЛЕЕ"}, {.mark = Mark::ChevronRight}}}}};
const LabelDesign kCancelLabel{.rows = {{.parts = {{"ОТМЕНА"}}}}};
const LabelDesign kBackLabel{.rows = {{.parts = {{.mark = Mark::ChevronLeft}, {" "}, {"НАЗАД"}}}}};
const LabelDesign kReregisterLabel{
    .rows = {{.parts = {{"ПЕРЕРЕГИСТРИРОВАТЬ"}, {" "}, {.mark = Mark::ChevronRight}}}},
    .letterSpacing = 0.06,
};
const LabelDesign kOkLabel{.rows = {{.parts = {{"OK"}}}}};

// The cloud cores along the bottom of pages 1 to 5: each holds every highlight that the running
// program lays over its button, on whichever page.
constexpr Box kLeftCloud{198, 519, 308, 612};
constexpr Box kMiddleCloud{358, 518, 511, 612};
constexpr Box kRightCloud{616, 517, 735, 612};

const DrawnButton kBack{"Back", &kBackLabel, {225, 537, 283, 549}, kLeftCloud};
const DrawnButton kNext{"Next", &kNextLabel, {418, 537, 475, 549}, kMiddleCloud};
const DrawnButton kCancel{"Cancel", &kCancelLabel, {643, 537, 699, 547}, kRightCloud};

std::vector<Span> line(std::string_view text) {
    return {{text}};
}

Scene makeScene() {
    Scene s;
    s.style = {
        .screenGroundLeft = {0, 105, 232},
        .screenGroundRight = {0, 217, 255},
        .welcomeGroundLeft = {132, 231, 255},
        .welcomeGroundRight = {50, 220, 255},
        .line = {150, 215, 255},
        .panelText = {0, 0, 0},
        .panelShadow = {0, 40, 110},
        .drawnLabel = {122, 122, 122},
        .welcomeDrawnLabel = {90, 90, 90},
        .highlightDeep = {0, 40, 215},
        .highlightLight = {10, 140, 240},
        .cloudEdge = {196, 216, 236},
        .cloudShadow = {0, 50, 120},
        .skyCloudEdge = {200, 232, 250},
        .skyShadow = {0, 75, 155},
        .skyLogo = {0, 92, 200},
        .ribbonLeft = {0, 100, 214},
        .ribbonRight = {0, 160, 240},
        .decorCloudTop = {40, 150, 240},
        .decorCloudBottom = {0, 90, 220},
        .decorCloudEdge = {120, 200, 255},
        .iconGround = {8, 42, 128},
        .screenLogo = {54, 19, 232, 57},
        .headingBox = {212, 93, 587, 111},
        .panel = {51, 127, 749, 539},
        .lineY = 74,
        .lineLeft = 50,
        .lineRight = 750,
        .textLeft = 62,
        .textRight = 738,
        .firstLineTop = 148,
        .linePitch = 18.5,
        .bodySize = 16,
        .tagline = "ОБЛАЧНАЯ АНАЛИТИКА",
    };
    s.files = {
        {Picture::Welcome, "welcome.jpg", {800, 600}},
        {Picture::FirstScreen, "first_screen.jpg", {800, 600}},
        {Picture::Warning, "warning.jpg", {800, 600}},
        {Picture::Connection, "connection.jpg", {800, 600}},
        {Picture::Registration, "registration.jpg", {800, 600}},
        {Picture::End, "end.jpg", {800, 600}},
        {Picture::Close, "close.jpg", {103, 31}},
        {Picture::Connect, "connect.jpg", {278, 70}},
        {Picture::Instruction, "instruction.jpg", {176, 43}},
        {Picture::Next, "next.jpg", {97, 38}},
        {Picture::Cancel, "cancel.jpg", {97, 38}},
        {Picture::Back, "back.jpg", {97, 38}},
        {Picture::Reregister, "reregister.jpg", {125, 23}},
        {Picture::Ok, "ok.jpg", {97, 38}},
    };
    s.heading = "МАСТЕР ПОДКЛЮЧЕНИЯ К VELMAR-ONLINE.RU";
    s.overlays = {
        {Picture::Close, &kCloseLabel, {8, 8, 97, 25}},
        {Picture::Connect, &kConnectLabel, {4, 12, 274, 54}},
        {Picture::Instruction, &kInstructionLabel, {2, 7, 168, 38}},
        {Picture::Next, &kNextLabel, {26, 9, 84, 22}},
        {Picture::Cancel, &kCancelLabel, {19, 11, 75, 21}},
        {Picture::Back, &kBackLabel, {19, 9, 77, 22}},
        {Picture::Reregister, &kReregisterLabel, {3, 7, 122, 13}},
        {Picture::Ok, &kOkLabel, {36, 10, 53, 20}},
    };

    s.welcome = {
        .logo = {38, 13, 374, 105},
        .claimBox = {46, 120, 520, 130},
        .claim = "ДРАЙВЕР ПОДДЕРЖИВАЕТ ПОДКЛЮЧЕНИЕ К ПОРТАЛУ АНАЛИТИКИ \"ВЕЛМАР\"",
        .decor = {{{630, 135}, "УДОБНЫЕ", "ФОРМЫ ОТЧЕТНОСТИ"},
                  {{150, 210}, "БЕСПЛАТНО", "ПЕРВЫЙ МЕСЯЦ ОБСЛУЖИВАНИЯ"},
                  {{275, 345}, "ОНЛАЙН", "ОБНОВЛЕНИЕ"},
                  {{710, 345}, "БЫСТРОЕ", "ПОДКЛЮЧЕНИЕ"}},
        .buttons =
            {{"Close", &kCloseLabel, {679, 36, 769, 52}, {664, 16, 792, 64}},
             {"Connect", &kConnectLabel, {369, 250, 639, 293}, {354, 226, 662, 304}},
             {"Instruction", &kInstructionLabel, {531, 457, 697, 488}, {519, 437, 719, 500}}},
        .collage = {0, 390, 520, 600},
    };

    const Control edtTecId{"edtTecID", {93, 204, 93 + 329 - 1, 204 + 24 - 1}};
    const Control lbl1{"lbl1", {64, 206, 64 + 25 - 1, 206 + 19 - 1}};
    // Laid out at top 137; the running window moves it to 140.
    const Control lblTypeOfKkm{"lblTypeOfKKM", {196, 140, 745, 140 + 19 - 1}};
    const Control edtKkmId{"edtKKMID", {248, 168, 248 + 471 - 1, 168 + 31 - 1}};

    s.screens = {
        {.page = 1,
         .background = Picture::FirstScreen,
         .text = {{.lines = {line("Добро пожаловать в «Велмар»!")}, .bold = true},
                  {.lines = {line("Подключение осуществляется в два этапа:")}},
                  {.lines = {line("1.  С помощью данного Мастера настройки Вам необходимо "
                                  "зарегистрировать ККМ на сервере «Велмар»."),
                             line("В процессе подключения Мастер настройки будет вызывать окна "
                                  "драйвера ККМ для осуществления настроек."),
                             line("Регистрация возможна только при наличии подключенной кассы.")}},
                  {.lines = {{{"2.  Вам необходимо зайти на сайт «Велмар» ("},
                              {"www.velmar-online.ru", true},
                              {") и завести личную учетную запись. В созданном Личном кабинете "
                               "Вы можете подключать зарегистрированные кассы."}}}},
                  {.lines = {line("Для выполнения регистрации нажмите «Далее».")}},
                  {.lines = {line("Для отказа от регистрации нажмите «Отмена».")}}},
         .buttons = {{"Next", &kNextTightLabel, {418, 537, 468, 549}, kMiddleCloud}, kCancel}},
        {.page = 2,
         .background = Picture::Warning,
         .text =
             {{.lines = {line("Добро пожаловать в «Велмар»!")}, .bold = true},
              {.lines = {line("Ваша касса уже зарегистрирована на портале.")}, .extraLines = 3},
              {.lines = {line("Вы можете перерегистрировать ее и кассе будет присвоен новый ID."),
                         line("Однако при этом все данные, уже пришедшие от этой кассы с "
                              "текущим ID, не будут перенесены к кассе с новым ID.")}},
              {.lines = {line("Для выполнения перерегистрации нажмите «Перерегистрировать».")}}},
         .buttons = {{"Reregister", &kReregisterLabel, {372, 540, 492, 546}, kMiddleCloud},
                     kCancel},
         .controls = {lbl1, edtTecId},
         .keepClear = {{62, 204, 738, 277}}},
        {.page = 3,
         .background = Picture::Connection,
         .text = {{.lines = {line("Пожалуйста, включите питание ККМ и подключите ее к этому "
                                  "компьютеру в соответствии с инструкцией к ККМ.")}},
                  {.lines = {line("Сейчас Вам будет предложено настроить связь с ККМ с помощью "
                                  "штатного драйвера ККМ.")}},
                  {.lines = {line("Для продолжения нажмите «Далее».")}}},
         .buttons = {kNext, kCancel, kBack}},
        {.page = 4,
         .background = Picture::Registration,
         // The label's text, Tahoma of 16 pixels, stands on the baseline 16 pixels below its top.
         .text = {{.lines = {line("Выбрана ККМ:")}, .baseline = 140 + 4 + 16},
                  {.lines = {line("Сейчас Вам будет предложено произвести регистрацию ККМ на "
                                  "сервере портала.")}},
                  {.lines = {line("Для подключения к сервису необходимо будет установить флаг "
                                  "«Передавать данные чека в сервис Велмар».")}},
                  {.lines = {line("Поле «Наименование Торговой точки» (например, название "
                                  "магазина, в котором располагается эта и другие кассы) Вы "
                                  "можете оставить пустым - при настройке Вашего Личного "
                                  "кабинета Вы отдельно настроите Ваши Торговые точки и "
                                  "привяжете к ним Ваши кассы. Для привязки кассы Вам необходимо "
                                  "записать ID кассы, полученный после успешной регистрации.")}},
                  {.lines = {line("Для продолжения нажмите «Далее».")}}},
         .buttons = {kNext, kCancel, kBack},
         .controls = {lblTypeOfKkm},
         .keepClear = {{200, 142, 749, 164}}},
        {.page = 5,
         .background = Picture::End,
         .text = {{.lines = {line("Регистрация на сервере прошла успешно!")}, .bold = true},
                  // Centred on the edit beside it: its box is rows 172 to 202.
                  {.lines = {line("ID Вашей кассы:")}, .baseline = 193},
                  {.lines = {line("Пожалуйста, учитывайте, что для регистрации кассы в личном "
                                  "кабинете достаточно этого идентификатора. Постарайтесь не "
                                  "откладывать регистрацию данной кассы в Вашем личном кабинете."),
                             line("Если при регистрации в личном кабинете Вам будет выдано "
                                  "сообщение, что данный ID уже зарегистрирован в одном из "
                                  "личных кабинетов, но Вы не делали этого, Вы можете либо "
                                  "перерегистрировать кассу, либо обратиться к администрации "
                                  "портала.")}},
                  {.lines = {line("В любой момент Вы можете отключить от портала или подключить "
                                  "кассу снова, просто убрав или проставив соответствующую "
                                  "«галочку» в настройках драйвера ККМ.")}},
                  {.lines = {line("Благодарим за регистрацию на портале «Велмар»!")},
                   .bold = true}},
         .buttons = {{"OK", &kOkLabel, {666, 537, 683, 546}, kRightCloud}},
         .controls = {edtKkmId},
         .keepClear = {{240, 168, 738, 206}}},
    };

    // Where the running program puts each overlay and how much of its picture the control
    // shows come from the program's own layout tables; only which drawn button each one covers
    // belongs to the artwork.
    struct Covers {
        ui::Control control;
        int button;
    };
    static constexpr Covers kCovers[] = {
        {ui::Control::imgEnable, 1},    {ui::Control::imgDoc, 2},        {ui::Control::imgClose, 0},
        {ui::Control::imgFS_Next, 0},   {ui::Control::imgFS_Close, 1},   {ui::Control::imgW_Rereg, 0},
        {ui::Control::imgW_Cancel, 1},  {ui::Control::imgCn_Next, 0},    {ui::Control::imgCn_Cancel, 1},
        {ui::Control::imgCn_Return, 2}, {ui::Control::imgReg_Next, 0},   {ui::Control::imgReg_Cancel, 1},
        {ui::Control::imgReg_Return, 2}, {ui::Control::imgOK, 0},
    };
    for (int page = 0; page < ui::kPageCount; ++page) {
        for (const ui::Placement& placement : ui::placements(static_cast<ui::Page>(page))) {
            const ui::OverlayLayout& layout = *ui::overlayLayout(placement.control);
            int button = -1;
            for (const Covers& covers : kCovers) {
                if (covers.control == placement.control) {
                    button = covers.button;
                }
            }
            s.places.push_back({page, ui::formName(placement.control), layout.picture,
                                {layout.bounds.width, layout.bounds.height},
                                {placement.left, placement.top}, button});
        }
    }
    return s;
}

}  // namespace

const Scene& scene() {
    static const Scene instance = makeScene();
    return instance;
}

const PictureFile& fileOf(Picture picture) {
    for (const PictureFile& f : scene().files) {
        if (f.picture == picture) {
            return f;
        }
    }
    throw std::logic_error("no file for picture " + std::to_string(static_cast<int>(picture)));
}

const OverlayArt& overlayOf(Picture picture) {
    for (const OverlayArt& o : scene().overlays) {
        if (o.picture == picture) {
            return o;
        }
    }
    throw std::logic_error("not an overlay picture: " + std::to_string(static_cast<int>(picture)));
}

std::span<const DrawnButton> buttonsOf(int page) {
    if (page == 0) {
        return scene().welcome.buttons;
    }
    for (const Screen& screen : scene().screens) {
        if (screen.page == page) {
            return screen.buttons;
        }
    }
    throw std::logic_error("no page " + std::to_string(page));
}

}  // namespace velmar::artwork
