// A game as SDL2 makes one: lists the joysticks it finds, and on the first
// with haptics plays a constant force and a rumble, half a second each.
#include <SDL.h>

#include <cstdio>

int main()
{
    if (SDL_Init(SDL_INIT_JOYSTICK | SDL_INIT_HAPTIC) != 0) {
        std::printf("SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    const int count = SDL_NumJoysticks();
    std::printf("joysticks %d\n", count);
    int failed = 0;
    for (int index = 0; index < count; ++index) {
        SDL_Joystick* joystick = SDL_JoystickOpen(index);
        if (joystick == nullptr) {
            std::printf("cannot open joystick %d: %s\n", index, SDL_GetError());
            return 1;
        }
        char guid[33] = {};
        SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(joystick), guid, sizeof guid);
        std::printf("%s: axes %d buttons %d hats %d haptic %d guid %s\n", SDL_JoystickName(joystick),
                    SDL_JoystickNumAxes(joystick), SDL_JoystickNumButtons(joystick),
                    SDL_JoystickNumHats(joystick), SDL_JoystickIsHaptic(joystick), guid);
        SDL_Haptic* haptic = SDL_HapticOpenFromJoystick(joystick);
        if (haptic == nullptr)
            continue;
        SDL_HapticEffect constant{};
        constant.type = SDL_HAPTIC_CONSTANT;
        constant.constant.direction.type = SDL_HAPTIC_CARTESIAN;
        constant.constant.direction.dir[0] = 1;
        constant.constant.length = 500;
        constant.constant.level = 20000;
        const int effect = SDL_HapticNewEffect(haptic, &constant);
        const int constantPlayed = effect < 0 ? effect : SDL_HapticRunEffect(haptic, effect, 1);
        SDL_Delay(600);
        const int rumblePlayed =
            SDL_HapticRumbleInit(haptic) != 0 ? -1 : SDL_HapticRumblePlay(haptic, 0.8f, 500);
        SDL_Delay(600);
        std::printf("played constant %d rumble %d\n", constantPlayed, rumblePlayed);
        if (constantPlayed != 0 || rumblePlayed != 0)
            std::printf("SDL: %s\n", SDL_GetError());
        failed |= constantPlayed != 0 || rumblePlayed != 0;
        SDL_HapticClose(haptic);
        SDL_JoystickClose(joystick);
    }
    SDL_Quit();
    return failed;
}
