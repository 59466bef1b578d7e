// Compile-time stand-in for the MIDP class; never packed into a suite.
package javax.microedition.midlet;

public abstract class MIDlet {
    protected MIDlet() {
    }

    protected abstract void startApp() throws MIDletStateChangeException;

    protected abstract void pauseApp();

    protected abstract void destroyApp(boolean unconditional) throws MIDletStateChangeException;

    public final void notifyDestroyed() {
    }
}
// SPDX-License-Identifier: MIT
