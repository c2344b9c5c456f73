import com.jcraft.jsch.ChannelShell;
import com.jcraft.jsch.JSch;
import com.jcraft.jsch.Session;
import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * A JSch client for the interoperability run:
 *   java JschClient HOST PORT USER PASSWORD_FILE
 * logs in with the password, opens a shell (JSch asks for a pty by default) and relays
 * standard input to it and its output to standard output until either side ends; exits
 * with the shell's exit status (255 when none came). The host key is new in every run,
 * so there is nothing to verify it against.
 */
public class JschClient {
  public static void main(String[] args) throws Exception {
    Session session = new JSch().getSession(args[2], args[0], Integer.parseInt(args[1]));
    session.setPassword(Files.readAllLines(Paths.get(args[3])).get(0));
    session.setConfig("StrictHostKeyChecking", "no");
    session.connect(10000);
    ChannelShell shell = (ChannelShell) session.openChannel("shell");
    shell.setInputStream(System.in);
    shell.setOutputStream(System.out);
    shell.connect(10000);
    while (!shell.isClosed() && session.isConnected()) Thread.sleep(50);
    int status = shell.getExitStatus();
    session.disconnect();
    System.exit(status < 0 ? 255 : status);
  }
}
