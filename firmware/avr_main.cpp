// The sketch's entry point when it is built without the Arduino core.
void setup();
void loop();

int main() {
    setup();
    for (;;) loop();
}
