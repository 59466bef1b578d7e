// A tiny midlet for trying Vorlan out: it greets and exits.
package sample;

import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.lcdui.TextBox;
import javax.microedition.lcdui.TextField;
import javax.microedition.midlet.MIDlet;

public class Hello extends MIDlet implements CommandListener {
    private final Command exitCommand = new Command("Exit", Command.EXIT, 1);

    protected void startApp() {
        TextBox greeting = new TextBox("Hello", "Hello from a sample suite.", 64,
                                       TextField.ANY | TextField.UNEDITABLE);
        greeting.addCommand(exitCommand);
        greeting.setCommandListener(this);
        Display.getDisplay(this).setCurrent(greeting);
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    public void commandAction(Command command, Displayable displayable) {
        if (command == exitCommand) {
            notifyDestroyed();
        }
    }
}
// SPDX-License-Identifier: MIT
